#include "gui/FormPosition.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace rq50::gui {

float WidgetForm::Left() const {
    return m_widget ? static_cast<float>(m_widget->pos().x()) * kTwipsPerPixel : 0.0F;
}

float WidgetForm::Top() const {
    return m_widget ? static_cast<float>(m_widget->pos().y()) * kTwipsPerPixel : 0.0F;
}

float WidgetForm::Width() const {
    return m_widget ? static_cast<float>(m_widget->width()) * kTwipsPerPixel : 0.0F;
}

float WidgetForm::Height() const {
    return m_widget ? static_cast<float>(m_widget->height()) * kTwipsPerPixel : 0.0F;
}

void WidgetForm::Move(float left, float top) {
    if (!m_widget || !std::isfinite(left) || !std::isfinite(top)) return;
    int x = static_cast<int>(std::lround(left / kTwipsPerPixel));
    int y = static_cast<int>(std::lround(top / kTwipsPerPixel));
    QRect area;
    if (QWidget* parent = m_widget->parentWidget(); parent && !m_widget->isWindow()) {
        // An area not laid out yet has no size to go by.
        if (parent->isVisible()) area = parent->rect();
        x = std::max(x, 0);
        y = std::max(y, 0);
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->virtualGeometry();
    }
    if (area.isValid()) {
        // At least the top-left corner of the window stays within reach.
        x = std::clamp(x, area.left(), std::max(area.left(), area.right() - 40));
        y = std::clamp(y, area.top(), std::max(area.top(), area.bottom() - 40));
    }
    m_widget->move(x, y);
}

void LoadPosition(QWidget* widget, const std::string& name) {
    WidgetForm form(widget, name);
    shell::COMsub_LoadFormPosition(form);
}

void SavePosition(QWidget* widget, const std::string& name) {
    WidgetForm form(widget, name);
    shell::COMsub_SaveFormPosition(form);
}

}  // namespace rq50::gui

#pragma once

#include <QAbstractButton>
#include <QKeyEvent>
#include <QObject>

#include <initializer_list>

namespace rq50::gui {

/// Enter (or Return) on one of the options of a menu screen presses its OK
/// button, as Enter does in a dialog; other keys pass.
class EnterPresses : public QObject {
  public:
    EnterPresses(QAbstractButton* button, std::initializer_list<QWidget*> options)
        : QObject(button), m_button(button) {
        for (QWidget* option : options) option->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_button->isEnabled()) {
                m_button->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QAbstractButton* m_button;
};

}  // namespace rq50::gui

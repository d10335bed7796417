#include "gui/KeyFilter.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include "gui/QtHosts.h"
#include "parameter/NumericKeyFilter.h"

namespace rq50::gui {

namespace {
constexpr int kBackspace = 8;
}

NumericKeyGuard::NumericKeyGuard(QLineEdit* edit, parameter::NumericKeyRules rules)
    : QObject(edit), m_edit(edit), m_rules(rules) {
    edit->installEventFilter(this);
    QString allowed = QStringLiteral("0-9");
    if (!rules.refuseMinus) allowed += QStringLiteral("\\-");
    if (!rules.refusePoint) allowed += QStringLiteral(".");
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[") + allowed + QStringLiteral("]*")), edit));
}

bool NumericKeyGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_edit || event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int code = 0;
    if (key->key() == Qt::Key_Backspace) {
        code = kBackspace;
    } else if (key->text().size() == 1 && key->text()[0].isPrint() &&
               !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        code = key->text()[0].unicode();
    } else {
        return false;  // navigation and shortcut keys type nothing
    }
    const int selStart =
        m_edit->hasSelectedText() ? m_edit->selectionStart() : m_edit->cursorPosition();
    const int selLength = static_cast<int>(m_edit->selectedText().size());
    return parameter::NumericKeyFilter(code, m_rules, Bytes(m_edit->text()), selStart, selLength) ==
           0;
}

}  // namespace rq50::gui

#include "gui/BusyPointer.h"

#include <QApplication>

namespace rq50::gui {

BusyPointer::~BusyPointer() {
    if (m_holds > 0) QApplication::restoreOverrideCursor();
}

void BusyPointer::Hold() {
    if (m_holds++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void BusyPointer::Release() {
    if (m_holds == 0) return;
    if (--m_holds == 0) QApplication::restoreOverrideCursor();
}

}  // namespace rq50::gui

#pragma once

#include <QLineEdit>
#include <QObject>

#include "parameter/NumericKeyFilter.h"

namespace rq50::gui {

/// Lets through only the keys the core's number-box filter accepts under `rules`
/// (digits and Backspace for the password and slot boxes). Keys that type
/// nothing (arrows, Tab, Delete) pass; pasted text is held to the same
/// characters by a validator.
class NumericKeyGuard : public QObject {
    Q_OBJECT
  public:
    NumericKeyGuard(QLineEdit* edit, parameter::NumericKeyRules rules);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* m_edit;
    parameter::NumericKeyRules m_rules;
};

}  // namespace rq50::gui

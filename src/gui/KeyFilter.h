#pragma once

#include <QLineEdit>
#include <QObject>

namespace rq50::gui {

/// Lets through only the keys the core's number-box filter accepts in `mode`
/// (digits and Backspace for the password and slot boxes). Keys that type
/// nothing (arrows, Tab, Delete) pass; pasted text is held to the same
/// characters by a validator.
class NumericKeyGuard : public QObject {
    Q_OBJECT
  public:
    NumericKeyGuard(QLineEdit* edit, int mode);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* m_edit;
    int m_mode;
};

}  // namespace rq50::gui

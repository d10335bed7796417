#pragma once

#include <QRadioButton>

#include <array>
#include <functional>
#include <memory>

#include "gui/ScreenBase.h"

namespace Ui {
class frmRQ2100;
}

namespace rq50::parameter {

/// The setting menu of both work modes: parameter mode offers online setting,
/// an upload and a parameter file; program mode a new program, an upload of
/// the program and a program file. Which one it is follows SettingMode.
class frmRQ2100 : public gui::ScreenBase {
    Q_OBJECT
  public:
    /// Options of the menu, in both modes.
    enum Option : int { kOptionSetOrNew = 0, kOptionUpload = 1, kOptionFile = 2 };

    explicit frmRQ2100(QWidget* parent = nullptr);
    ~frmRQ2100() override;

    void Load() override;
    void Unload() override;
    void Activated() override;

    /// Where the program side takes over the program-mode options. When it
    /// handles the option it returns true; otherwise the menu goes on with
    /// the plain navigation (New shows the program editor, the upload starts
    /// job 15, the file opens the program file dialog).
    static std::function<bool(int option)>& ProgramHandover();

    QRadioButton* Option(int index) const;

  protected:
    void showEvent(QShowEvent* event) override;
    void OnBaudRate() override;

  private:
    void cmdOK_Click();
    void cmdCancel_Click();
    void ParameterOk(int option);
    void ProgramOk(int option);
    bool ProgramMode() const;
    int SelectedOption() const;

    std::unique_ptr<Ui::frmRQ2100> m_ui;
};

}  // namespace rq50::parameter

#pragma once

#include <QRadioButton>

#include <array>
#include <memory>

#include "gui/ScreenBase.h"
#include "session/DataMenu.h"

namespace Ui {
class frmRQ2400;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// The data view: what to do with the data set held, uploaded or read from a
/// file: check its content, edit it, save it, download it, compare it with
/// the instrument, print it. Its presenter
/// (DataMenu) decides where each option leads.
class DataViewScreen : public ScreenBase, private session::DataMenuHost {
    Q_OBJECT
  public:
    explicit DataViewScreen(files::Workspace& ws, QWidget* parent = nullptr);
    ~DataViewScreen() override;

    void Load() override;
    void Activated() override;

    QAction* mnuFileInformation = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    void OnBaudRate() override;

  private:
    struct OptionButton {
        session::DataMenuOption option;
        QRadioButton* button;
    };
    /// The options in their order on the screen.
    std::array<OptionButton, 6> Options() const;
    void Confirm();
    void Cancel();
    void ShowInformation();
    // DataMenuHost
    void PrintData() override;
    std::unique_ptr<session::DownloadQuestions> DownloadQuestions() override;
    void EditData() override;

    std::unique_ptr<Ui::frmRQ2400> m_ui;
    QRadioButton* m_optEdit = nullptr;
    QRadioButton* m_optCompare = nullptr;
    session::DataMenu m_menu;
};

}  // namespace rq50::gui

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/ScreenBase.h"

namespace Ui {
class frmRQ2700;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

class GridModel;

/// The download check list: every item of the last download whose value did
/// not come back as sent, with what was sent and what the instrument holds;
/// or, after Compare with TAVRO, the items whose file and instrument values
/// differ. Close goes back as session::CloseCheckList says.
class DownloadCheckList : public ScreenBase {
    Q_OBJECT
  public:
    explicit DownloadCheckList(files::Workspace& ws, QWidget* parent = nullptr);
    ~DownloadCheckList() override;

    void Load() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Print();
    void CloseList();

    std::unique_ptr<Ui::frmRQ2700> m_ui;
    std::vector<std::vector<std::string>> m_rows;
    GridModel* m_grid = nullptr;
};

}  // namespace rq50::gui

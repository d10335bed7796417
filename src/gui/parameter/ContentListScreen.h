#pragma once

#include <memory>
#include <vector>

#include "files/ContentList.h"
#include "gui/ScreenBase.h"

namespace Ui {
class frmRQ2500;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

class GridModel;

/// The content list: the whole data set, read only, one row an item and a
/// blank row between groups; the MAINT items only in MAINT Mode.
class ContentListScreen : public ScreenBase {
    Q_OBJECT
  public:
    explicit ContentListScreen(files::Workspace& ws, QWidget* parent = nullptr);
    ~ContentListScreen() override;

    void Load() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void CloseList();

    std::unique_ptr<Ui::frmRQ2500> m_ui;
    std::vector<files::ContentRow> m_rows;
    GridModel* m_grid = nullptr;
};

}  // namespace rq50::gui

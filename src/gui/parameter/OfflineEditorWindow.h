#pragma once

// Edit of the data view: the data set's items by category in a grid, each
// changed in the entry box by the rules of an online WRITE, changes marked
// and undoable; OK puts them into the data set (then unsaved), Cancel drops
// them.

#include <QDialog>

#include "session/OfflineEditor.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTableWidget;

namespace rq50::gui {

class OfflineEditorWindow : public QDialog {
    Q_OBJECT
  public:
    OfflineEditorWindow(session::OfflineEditor& editor, QWidget* parent);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Fill();
    void RowChosen();
    void SetValue();
    void UndoChange();

    session::OfflineEditor& m_editor;
    std::vector<session::OfflineRow> m_rows;
    QTabBar* m_tabs = nullptr;
    QTableWidget* m_grid = nullptr;
    QLineEdit* m_entry = nullptr;
    QPushButton* m_set = nullptr;
    QPushButton* m_undo = nullptr;
    QLabel* m_note = nullptr;
};

}  // namespace rq50::gui

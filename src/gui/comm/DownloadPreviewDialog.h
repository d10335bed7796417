#pragma once

// Before a download: what it will write and what it will change in the
// instrument (the instrument's value and the file's, item by item), with
// Download and Cancel; and the question when no backup could be made.

#include <QDialog>

#include <memory>

#include "session/SafeDownload.h"

class QPushButton;

namespace rq50::gui {

class DownloadPreviewDialog : public QDialog {
    Q_OBJECT
  public:
    DownloadPreviewDialog(const session::DownloadPreview& preview, QWidget* parent);

    /// The dialog's questions for a download started from `parent`.
    static std::unique_ptr<session::DownloadQuestions> QuestionsFor(QWidget* parent);

  private:
    QPushButton* m_download = nullptr;
};

}  // namespace rq50::gui

#pragma once

// Before a download: what it will write and what it will change in the
// instrument (the instrument's value and the file's, item by item), with
// Download and Cancel; and the question when no backup could be made.

#include <QDialog>

#include <memory>
#include <string>

#include "session/SafeDownload.h"

class QLineEdit;
class QPushButton;

namespace rq50::gui {

class DownloadPreviewDialog : public QDialog {
    Q_OBJECT
  public:
    DownloadPreviewDialog(const session::DownloadPreview& preview, QWidget* parent);

    /// The dialog's questions for a download started from `parent`.
    static std::unique_ptr<session::DownloadQuestions> QuestionsFor(QWidget* parent);

    /// The reason entered (empty where none was asked for).
    std::string Reason() const;

  private:
    QPushButton* m_download = nullptr;
    QLineEdit* m_reason = nullptr;
};

/// The reason for a write that the plant register requires, asked on its
/// own where no preview asks it ("Backup before download" off): Download is
/// pressed (or Enter) once a reason is typed; Cancel writes nothing.
class WriteReasonDialog : public QDialog {
    Q_OBJECT
  public:
    explicit WriteReasonDialog(QWidget* parent);
    std::string Reason() const;

  private:
    QLineEdit* m_reason = nullptr;
};

}  // namespace rq50::gui

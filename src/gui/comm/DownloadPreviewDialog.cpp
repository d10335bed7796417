#include "gui/comm/DownloadPreviewDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <optional>

#include "files/SingleByteText.h"
#include "gui/FitWindow.h"
#include "gui/QtHosts.h"
#include "shell/TextNumbers.h"

namespace rq50::gui {

namespace {

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* AddLabel(QVBoxLayout* layout, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAccessibleName(text);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    return label;
}

/// The "Reason" row both dialogs ask it in: its label is the box's buddy and
/// accessible name.
QLineEdit* AddReasonRow(QVBoxLayout* layout, QWidget* parent) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(CatalogueText(kTextReasonLabel), parent);
    auto* reason = new QLineEdit(parent);
    reason->setObjectName(QStringLiteral("txtReason"));
    reason->setMaxLength(200);
    label->setBuddy(reason);
    reason->setAccessibleName(label->text().remove(QLatin1Char('&')));
    row->addWidget(label);
    row->addWidget(reason, 1);
    layout->addLayout(row);
    return reason;
}

/// Download and Cancel, accepting and rejecting `dialog`; `cancel` is set
/// to the Cancel button. Returns Download.
QPushButton* AddDownloadButtons(QVBoxLayout* layout, QDialog* dialog, QPushButton*& cancel) {
    auto* buttons = new QDialogButtonBox(dialog);
    auto* download = buttons->addButton(QStringLiteral("Download"), QDialogButtonBox::AcceptRole);
    cancel = buttons->addButton(QDialogButtonBox::Cancel);
    download->setObjectName(QStringLiteral("cmdDownload"));
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    download->setAccessibleName(download->text());
    cancel->setAccessibleName(cancel->text());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return download;
}

class DialogQuestions : public session::DownloadQuestions {
  public:
    explicit DialogQuestions(QWidget* parent) : m_parent(parent) {}

    bool ConfirmDownload(const session::DownloadPreview& preview) override {
        DownloadPreviewDialog dialog(preview, m_parent);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        m_reason = accepted ? dialog.Reason() : std::string();
        return accepted;
    }

    bool DownloadWithoutBackup(const std::string& why) override {
        return Ask(QStringLiteral("No backup of the instrument's set was made: %1.\n\n"
                                  "Download without a backup?")
                       .arg(Utf8(why)),
                   QStringLiteral("Download without backup"), QStringLiteral("Cancel"));
    }

    bool RestoreBackup(const std::string& backup, int written) override {
        return Ask(QStringLiteral("The download ended after %1 items: the instrument holds a mix "
                                  "of the file's values and its own.\n\nDownload the backup %2 "
                                  "to put back what it held?")
                       .arg(written)
                       .arg(Utf8(backup)),
                   QStringLiteral("Restore backup"), QStringLiteral("Leave as it is"));
    }

  private:
    /// A warning with two answers; the one that changes nothing is the default.
    bool Ask(const QString& text, const QString& act, const QString& leave) const {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Download"), text,
                        QMessageBox::NoButton, m_parent);
        auto* yes = box.addButton(act, QMessageBox::AcceptRole);
        auto* no = box.addButton(leave, QMessageBox::RejectRole);
        yes->setAccessibleName(act);
        no->setAccessibleName(leave);
        box.setDefaultButton(no);
        box.exec();
        return box.clickedButton() == yes;
    }

    std::string Reason() const override { return m_reason; }

    std::optional<std::string> AskReason() override {
        WriteReasonDialog dialog(m_parent);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Reason();
    }

    QPointer<QWidget> m_parent;
    std::string m_reason;
};

}  // namespace

DownloadPreviewDialog::DownloadPreviewDialog(const session::DownloadPreview& preview,
                                             QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("DownloadPreview"));
    setWindowTitle(QStringLiteral("Download"));
    auto* layout = new QVBoxLayout(this);
    AddLabel(layout, Utf8(session::PreviewHeading(preview)), this);
    for (const auto& note : preview.notes) AddLabel(layout, Utf8(note), this);
    AddLabel(layout, Utf8(session::PreviewCountLine(preview)), this);
    if (!preview.changes.empty()) {
        auto* table = new QTableWidget(static_cast<int>(preview.changes.size()), 4, this);
        table->setObjectName(QStringLiteral("changes"));
        table->setAccessibleName(QStringLiteral("Items that will change"));
        table->setHorizontalHeaderLabels({QStringLiteral("Address"), QStringLiteral("Name"),
                                          QStringLiteral("Instrument"), QStringLiteral("File")});
        table->verticalHeader()->hide();
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        using Side = files::ItemDifference::Side;
        int row = 0;
        for (const auto& d : preview.changes) {
            const QString now = d.side == Side::kFirstOnly
                                    ? QStringLiteral("(none)")
                                    : Utf8(files::SingleByteToUtf8(d.second));
            const QString then = d.side == Side::kSecondOnly
                                     ? QStringLiteral("(none)")
                                     : Utf8(files::SingleByteToUtf8(d.first));
            const QStringList cells{Utf8(d.address), Utf8(files::SingleByteToUtf8(d.name)), now,
                                    then};
            for (int column = 0; column < 4; ++column)
                table->setItem(row, column, new QTableWidgetItem(cells[column]));
            ++row;
        }
        table->resizeColumnsToContents();
        table->horizontalHeader()->setStretchLastSection(true);
        layout->addWidget(table, 1);
    }
    if (!preview.backup.empty())
        AddLabel(layout, QStringLiteral("Backup: %1").arg(Utf8(preview.backup)), this);
    // Why, for the plant register: asked with every download, and needed
    // where the register requires one.
    m_reason = AddReasonRow(layout, this);
    QPushButton* cancel = nullptr;
    m_download = AddDownloadButtons(layout, this, cancel);
    // Enter alone does not overwrite an instrument: Cancel is the default.
    cancel->setDefault(true);
    cancel->setFocus();
    if (preview.reasonRequired) {
        m_download->setEnabled(false);
        connect(m_reason, &QLineEdit::textChanged, this, [this](const QString& text) {
            m_download->setEnabled(!text.trimmed().isEmpty());
        });
        m_reason->setFocus();
    }
    resize(640, preview.changes.empty() ? 200 : 420);
    FitWindowWhenShown(this);
}

std::string DownloadPreviewDialog::Reason() const {
    return m_reason->text().trimmed().toStdString();
}

std::unique_ptr<session::DownloadQuestions> DownloadPreviewDialog::QuestionsFor(QWidget* parent) {
    return std::make_unique<DialogQuestions>(parent);
}

WriteReasonDialog::WriteReasonDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("WriteReason"));
    setWindowTitle(QStringLiteral("Download"));
    auto* layout = new QVBoxLayout(this);
    AddLabel(layout, CatalogueText(kTextReasonRequired), this);
    m_reason = AddReasonRow(layout, this);
    QPushButton* cancel = nullptr;
    auto* download = AddDownloadButtons(layout, this, cancel);
    // Enter downloads only once a reason is typed; Escape cancels.
    download->setEnabled(false);
    download->setDefault(true);
    connect(m_reason, &QLineEdit::textChanged, this, [download](const QString& text) {
        download->setEnabled(!text.trimmed().isEmpty());
    });
    m_reason->setFocus();
    resize(480, 140);
    FitWindowWhenShown(this);
}

std::string WriteReasonDialog::Reason() const {
    return m_reason->text().trimmed().toStdString();
}

}  // namespace rq50::gui

#include "gui/parameter/InformationWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QTimer>

#include "files/InformationRecord.h"
#include "files/Workspace.h"
#include "gui/FitWindow.h"
#include "gui/QtHosts.h"
#include "session/InfoWindowRules.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ2600.h"

namespace rq50::gui {

namespace {

int TipText(files::InfoBox box) {
    switch (box) {
        case files::InfoBox::Caption1:
        case files::InfoBox::Caption2:
        case files::InfoBox::Caption3:
            return kTextWithin20;
        case files::InfoBox::Comment:
            return kTextWithin20 + 2;
        case files::InfoBox::Date:
            return kTextSetsDate;
        default:
            break;
    }
    return kTextWithin20 + 1;
}
}  // namespace

InformationWindow::InformationWindow(files::Workspace& ws, QWidget* parent)
    : ScreenBase(shell::Screen::Information, ws, parent),
      m_ui(std::make_unique<Ui::frmRQ2600>()),
      m_window(ws) {
    m_ui->setupUi(this);
    m_boxes = {m_ui->txtFirstTitleCaption, m_ui->txtFirstTitle, m_ui->txtSecondTitleCaption,
               m_ui->txtSecondTitle,       m_ui->txtCreatedBy,  m_ui->txtDate,
               m_ui->txtCommentCaption,    m_ui->txtComment,    m_ui->txtInstrumentNo};
    for (QWidget* box : m_boxes) box->installEventFilter(this);
    m_ui->txtComment->viewport()->installEventFilter(this);
    OnSignal(m_ui->cmdOK, &QPushButton::clicked, "cmdOK_Click", [this] { Confirm(); });
    OnSignal(m_ui->cmdCancel, &QPushButton::clicked, "cmdCancel_Click", [this] { Cancel(); });
}

InformationWindow::~InformationWindow() = default;

QWidget* InformationWindow::Box(files::InfoBox index) const {
    return m_boxes[files::Index(index)];
}

std::optional<files::InfoBox> InformationWindow::IndexOf(const QObject* box) const {
    for (files::InfoBox i : files::kInfoBoxes) {
        if (Box(i) == box) return i;
    }
    if (box == m_ui->txtComment->viewport()) return files::InfoBox::Comment;
    return std::nullopt;
}

QString InformationWindow::BoxText(files::InfoBox index) const {
    if (index == files::InfoBox::Comment) return m_ui->txtComment->toPlainText();
    return static_cast<QLineEdit*>(Box(index))->text();
}

void InformationWindow::SetBoxText(files::InfoBox index, const QString& text) {
    if (index == files::InfoBox::Comment) {
        m_ui->txtComment->setPlainText(text);
    } else {
        static_cast<QLineEdit*>(Box(index))->setText(text);
    }
}

void InformationWindow::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(CatalogueText(kTextInformationCaption));
        m_ui->cmdOK->setText(CatalogueText(kTextInformationOk));
        m_ui->cmdCancel->setText(CatalogueText(kTextInformationCancel));
        m_ui->cmdOK->setAccessibleName(m_ui->cmdOK->text());
        m_ui->cmdCancel->setAccessibleName(m_ui->cmdCancel->text());
        const std::array<QLabel*, 4> labels = {m_ui->lblCreatedBy, m_ui->lblDate, m_ui->lblFileName,
                                               m_ui->lblInstrumentNo};
        for (std::size_t i = 0; i < labels.size(); ++i) {
            labels[i]->setText(CatalogueText(kTextCreatedBy + static_cast<int>(i)));
        }
        const files::InfoForm form = m_window.Form();
        for (files::InfoBox i : files::kInfoBoxes) {
            QWidget* box = Box(i);
            SetBoxText(i, QString::fromStdString(form.boxes[i]));
            box->setToolTip(CatalogueText(TipText(i)));
            if (auto* line = qobject_cast<QLineEdit*>(box))
                line->setMaxLength(static_cast<int>(files::InfoBoxLimit(i)));
        }
        m_ui->lblFile->setText(QString::fromStdString(form.fileNameLabel));
        // A box is named by its label, a caption box by the caption it holds.
        m_ui->txtCreatedBy->setAccessibleName(m_ui->lblCreatedBy->text());
        m_ui->txtDate->setAccessibleName(m_ui->lblDate->text());
        m_ui->lblFile->setAccessibleName(m_ui->lblFileName->text());
        m_ui->txtInstrumentNo->setAccessibleName(m_ui->lblInstrumentNo->text());
        for (files::InfoBox i :
             {files::InfoBox::Caption1, files::InfoBox::Caption2, files::InfoBox::Caption3})
            Box(i)->setAccessibleName(BoxText(i));
        m_ui->txtFirstTitle->setAccessibleName(BoxText(files::InfoBox::Caption1));
        m_ui->txtSecondTitle->setAccessibleName(BoxText(files::InfoBox::Caption2));
        m_ui->txtComment->setAccessibleName(BoxText(files::InfoBox::Caption3));
        // The captions are labels of the record: no typing, no Tab stop, and
        // they look like the labels they are, not like boxes to fill in.
        for (files::InfoBox i :
             {files::InfoBox::Caption1, files::InfoBox::Caption2, files::InfoBox::Caption3}) {
            auto* caption = static_cast<QLineEdit*>(Box(i));
            caption->setReadOnly(true);
            caption->setFocusPolicy(Qt::NoFocus);
            caption->setFrame(false);
            QPalette look = caption->palette();
            look.setColor(QPalette::Base, look.color(QPalette::Window));
            caption->setPalette(look);
        }
        const int unit = fontMetrics().averageCharWidth();
        m_ui->txtFirstTitle->setMinimumWidth(42 * unit);
        m_ui->txtComment->setMinimumHeight(fontMetrics().height() * 6);
        QWidget* previous = m_ui->txtFirstTitle;
        for (files::InfoBox box = session::NextInfoBox(files::InfoBox::Title1); Box(box) != previous;
             box = session::NextInfoBox(box)) {
            setTabOrder(previous, Box(box));
            previous = Box(box);
        }
        setTabOrder(previous, m_ui->cmdOK);
        setTabOrder(m_ui->cmdOK, m_ui->cmdCancel);
        m_ui->txtFirstTitle->setFocus();
    });
}

void InformationWindow::showEvent(QShowEvent* event) {
    ScreenBase::showEvent(event);
    FitWindowWhenShown(this);
}

bool InformationWindow::eventFilter(QObject* watched, QEvent* event) {
    const std::optional<files::InfoBox> found = IndexOf(watched);
    if (!found) return ScreenBase::eventFilter(watched, event);
    const files::InfoBox index = *found;
    switch (event->type()) {
        case QEvent::KeyPress:
            return BoxKey(index, static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn:
            if (auto* line = qobject_cast<QLineEdit*>(watched))
                QTimer::singleShot(0, line, &QLineEdit::selectAll);
            if (watched == m_ui->txtComment)
                QTimer::singleShot(0, m_ui->txtComment, &QPlainTextEdit::selectAll);
            break;
        case QEvent::FocusOut:
            if (watched != m_ui->txtComment->viewport()) {
                // Checked once the focus has arrived, so the check knows where
                // it went (Cancel takes no check).
                QTimer::singleShot(0, this, [this, index] {
                    Trapped("txtInfo_LostFocus", [this, index] { BoxLeft(index); });
                });
            }
            break;
        default:
            break;
    }
    return ScreenBase::eventFilter(watched, event);
}

/// Enter walks the boxes (a line break in the comment); a key that would
/// overfill the box is refused with a beep.
bool InformationWindow::BoxKey(files::InfoBox index, QKeyEvent* key) {
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (index == files::InfoBox::Comment) return false;
        Box(session::NextInfoBox(index))->setFocus();
        return true;
    }
    const QString typed = key->text();
    if (typed.isEmpty() || key->key() == Qt::Key_Backspace || typed.at(0).unicode() < 0x20 ||
        (key->modifiers() & Qt::ControlModifier))
        return false;
    QString selected;
    if (auto* line = qobject_cast<QLineEdit*>(Box(index))) {
        selected = line->selectedText();
    } else {
        selected = m_ui->txtComment->textCursor().selectedText();
    }
    if (session::InfoKeyFits(index, BoxText(index).toStdString(), selected.toStdString(),
                             typed.toStdString()))
        return false;
    QApplication::beep();
    return true;
}

void InformationWindow::BoxLeft(files::InfoBox index) {
    if (m_window.Closing()) return;
    QWidget* now = QApplication::focusWidget();
    if (now == m_ui->cmdCancel || now == Box(index) || !isVisible()) return;
    std::string text = BoxText(index).toStdString();
    if (files::ValidateInfoField(Ws().hosts, index, text)) {
        if (index == files::InfoBox::Date) SetBoxText(index, QString::fromStdString(text));
        return;
    }
    Box(index)->setFocus();
}

void InformationWindow::Confirm() {
    files::InfoForm form;
    for (files::InfoBox i : files::kInfoBoxes) form.boxes[i] = BoxText(i).toStdString();
    form.fileNameLabel = m_ui->lblFile->text().toStdString();
    if (!m_window.Ok(form)) Box(files::InfoBox::Date)->setFocus();
}

void InformationWindow::Cancel() {
    m_window.Cancel();
}

}  // namespace rq50::gui

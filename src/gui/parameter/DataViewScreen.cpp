#include "gui/parameter/DataViewScreen.h"

#include "gui/comm/DownloadPreviewDialog.h"
#include "gui/parameter/OfflineEditorWindow.h"
#include "session/OfflineEditor.h"

#include "gui/EnterKey.h"
#include "gui/FitWindow.h"
#include "gui/QtHosts.h"
#include "gui/ReportOutput.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ2400.h"

namespace rq50::gui {

namespace {}  // namespace

DataViewScreen::DataViewScreen(files::Workspace& ws, QWidget* parent)
    : ScreenBase(shell::Screen::DataView, ws, parent),
      m_ui(std::make_unique<Ui::frmRQ2400>()),
      m_menu(ws, static_cast<session::DataMenuHost&>(*this)) {
    m_ui->setupUi(this);
    // Edit after Check Content, Compare with TAVRO after Download.
    m_optEdit = new QRadioButton(m_ui->fraFile);
    m_optEdit->setObjectName(QStringLiteral("optEdit"));
    m_optCompare = new QRadioButton(m_ui->fraFile);
    m_optCompare->setObjectName(QStringLiteral("optCompare"));
    m_ui->layoutFile->insertWidget(m_ui->layoutFile->indexOf(m_ui->optContent) + 1, m_optEdit);
    m_ui->layoutFile->insertWidget(m_ui->layoutFile->indexOf(m_ui->optDownload) + 1, m_optCompare);
    SetMenus();
    OfferBaudRate();
    OfferCommandMenuUnlock();
    // File: Information, a separator, Exit.
    mnuFileInformation = new QAction(CatalogueText(kTextInformationMenu), this);
    Std().mnuFile->insertAction(Std().mnuFileExit, mnuFileInformation);
    Std().mnuFile->insertSeparator(Std().mnuFileExit);
    OnSignal(mnuFileInformation, &QAction::triggered, "mnuFileItems_Click",
             [this] { ShowInformation(); });
    new EnterPresses(m_ui->cmdOK, {m_ui->optContent, m_optEdit, m_ui->optSave, m_ui->optDownload,
                                   m_optCompare, m_ui->optPrint});
    OnSignal(m_ui->cmdOK, &QPushButton::clicked, "cmdOK_Click", [this] { Confirm(); });
    OnSignal(m_ui->cmdCancel, &QPushButton::clicked, "cmdCancel_Click", [this] { Cancel(); });
}

DataViewScreen::~DataViewScreen() = default;

std::array<DataViewScreen::OptionButton, 6> DataViewScreen::Options() const {
    using Option = session::DataMenuOption;
    return {{{Option::kContentOrEditor, m_ui->optContent},
             {Option::kEdit, m_optEdit},
             {Option::kSave, m_ui->optSave},
             {Option::kDownload, m_ui->optDownload},
             {Option::kCompare, m_optCompare},
             {Option::kPrint, m_ui->optPrint}}};
}

void DataViewScreen::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(Text(m_menu.Caption()));
        for (const auto& [option, button] : Options())
            button->setText(Text(m_menu.OptionText(option)));
        m_optEdit->setVisible(m_menu.ParameterOptions());
        m_ui->cmdOK->setText(CatalogueText(kTextOk));
        m_ui->cmdCancel->setText(CatalogueText(kTextDataViewCancel));
        NameByCaption({m_ui->optContent, m_optEdit, m_ui->optSave, m_ui->optDownload, m_optCompare,
                       m_ui->optPrint, m_ui->cmdOK, m_ui->cmdCancel});
        m_ui->fraFile->setAccessibleName(windowTitle());
        m_ui->optDownload->setEnabled(m_menu.DownloadAllowed());
        m_menu.Load();
    });
}

void DataViewScreen::showEvent(QShowEvent* event) {
    ScreenBase::showEvent(event);
    FitWindowWhenShown(this);
}

void DataViewScreen::Activated() {
    m_menu.Activated();
    ScreenBase::Activated();
}

void DataViewScreen::OnBaudRate() {
    m_menu.BaudRate();
}

std::unique_ptr<session::DownloadQuestions> DataViewScreen::DownloadQuestions() {
    return DownloadPreviewDialog::QuestionsFor(this);
}

void DataViewScreen::EditData() {
    session::OfflineEditor editor(Ws().items.dataSet, Ws().header);
    OfflineEditorWindow window(editor, this);
    if (window.exec() == QDialog::Accepted) session::ApplyOfflineEdit(Ws(), editor);
}

void DataViewScreen::PrintData() {
    PrintFromScreen(Ws(), Id());
}

void DataViewScreen::Confirm() {
    session::DataMenuOption chosen = session::DataMenuOption::kPrint;
    for (const auto& [option, button] : Options()) {
        if (button->isChecked()) chosen = option;
    }
    m_menu.Confirm(chosen);
}

void DataViewScreen::Cancel() {
    m_menu.Cancel();
}

void DataViewScreen::ShowInformation() {
    m_menu.Information();
}

}  // namespace rq50::gui

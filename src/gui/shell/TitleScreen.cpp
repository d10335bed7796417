#include "gui/shell/TitleScreen.h"

#include <QGuiApplication>
#include <QScreen>

#include "gui/QtHosts.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ0100.h"

namespace rq50::gui {

namespace {}  // namespace

QString VersionText() {
    return CatalogueText(kTextVersionPrefix) + QString::number(RQ50_VERSION_MAJOR) +
           QLatin1Char('.') + QString::number(RQ50_VERSION_MINOR) + QLatin1Char('.') +
           QString::number(RQ50_VERSION_PATCH);
}

TitleScreen::TitleScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_ui(std::make_unique<Ui::frmRQ0100>()) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("frmRQ0100"));
    setWindowTitle(CatalogueText(kTextModelTitle));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);

    // The catalogue names the title font; where that font is missing Qt picks
    // the nearest one it has.
    QFont font(CatalogueText(kTextFontName));
    font.setPointSize(CatalogueText(kTextFontSize).toInt());
    font.setBold(true);
    const int texts[] = {kTextModelTitle, kTextPcBased, kTextToolFor};
    QLabel* labels[] = {m_ui->lblModel, m_ui->lblPcBased, m_ui->lblToolFor};
    for (int i = 0; i < 3; ++i) {
        labels[i]->setFont(font);
        labels[i]->setText(CatalogueText(texts[i]));
        labels[i]->setAccessibleName(labels[i]->text());
    }
    m_ui->lblRev->setText(VersionText());
    m_ui->lblRev->setAccessibleName(m_ui->lblRev->text());

    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    m_displayTimer.setSingleShot(true);
    connect(&m_displayTimer, &QTimer::timeout, this, &QWidget::close);
    m_displayTimer.start(kDisplayTimeMs);
}

TitleScreen::~TitleScreen() = default;

}  // namespace rq50::gui

#include "ui/Theme.h"

#include "core/Language.h"
#include "core/SharedTexts.h"
#include "ui/TitleBar.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QMovie>
#include <QPalette>

namespace {

const char kLightStyle[] = ":/qss/light.css";
const char kDarkStyle[] = ":/qss/dark.css";
const char kAccent[] = "#42a5f5";

// The process applies a style sheet text only when it differs from the last one.
QString &lastStyleText()
{
    static QString text;
    return text;
}

int g_appliedCount = 0;

QString windowText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

const char *customerServicePath(int language)
{
    switch (language) {
    case 1: return "/de/customer-service";
    case 2: return "/fr/customer-service";
    case 3: return "/es/customer-service";
    case 4: return "/it/customer-service";
    default: return kCustomerServicePath;
    }
}

const char *languageCode(int language)
{
    switch (language) {
    case 1: return "ge";
    case 2: return "fr";
    case 3: return "sp";
    case 4: return "it";
    default: return "en";
    }
}

} // namespace

Theme::Theme(Window &window, const Widgets &widgets)
    : QObject(window.widget())
    , m_window(window)
    , ui(std::make_unique<const Widgets>(widgets))
{
    const QString site = supportSiteAddress();
    m_docUrl = site + QLatin1String(kDownloadsPath);
    m_appUrl = site + QLatin1String(kDownloadsPath);
    m_supportUrl = site + QLatin1String(kCustomerServicePath);
    for (QLabel *l : {ui->labelHyperlinksApp, ui->labelHyperlinksQuickStartGuide,
                      ui->labelHyperlinksContactSupport, ui->labelDevInfo, ui->labelDevUpdate,
                      ui->labelDevSupport})
        l->installEventFilter(this);
}

bool Theme::isLight() const
{
    return m_window.styleIndex() == 0;
}

QString Theme::themeLinkColour() const
{
    return isLight() ? QStringLiteral("#000000") : QStringLiteral("#FFFFFF");
}

int Theme::appliedCount()
{
    return g_appliedCount;
}

void Theme::changeStyle(const QString &qssFile)
{
    if (qssFile.isEmpty())
        return;
    QFile file(qssFile);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "read style failed." << qssFile;
        return;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    if (text == lastStyleText())
        return;
    lastStyleText() = text;
    // The leading palette rule carries the window colour at characters 20 to 26.
    qApp->setPalette(QPalette(QColor(text.mid(20, 7))));
    qApp->setStyleSheet(text);
    ++g_appliedCount;
}

void Theme::applyTheme(int index)
{
    const bool light = index == 0;
    m_window.setStyleIndex(index);
    m_bDarkMode = !light;
    updateSupportLinks(light ? QStringLiteral("#000000") : QStringLiteral("#FFFFFF"));
    QMovie *movie = m_window.loadingMovie(light);
    if (movie && ui->labelloading->movie() != movie)
        ui->labelloading->setMovie(movie);
    changeStyle(QLatin1String(light ? kLightStyle : kDarkStyle));
    updateLanguageButton();

    QListWidget *list = ui->listWidgetCamera;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        if (item == list->currentItem())
            continue;
        qDebug() << "Item-i:" << i;
        item->setIcon(m_window.normalItemIcon());
    }
    list->update();

    const QString headerStyle = light ? QStringLiteral("color: #4a4a4a;") : QStringLiteral("color: #F2F2F2;");
    for (QLabel *l : {ui->labelDevInfo, ui->labelDevSupport, ui->labelDevUpdate})
        l->setStyleSheet(headerStyle);

    m_window.restyleDirectionPad();
    if (QWidget *window = m_window.widget())
        window->update();
}

void Theme::on_btnModeLight_clicked()
{
    qDebug() << "Switch Style";
    m_bDarkMode = !m_bDarkMode;
    applyTheme(m_bDarkMode ? 1 : 0);
}

void Theme::updateLanguageButton()
{
    const QString code = QLatin1String(languageCode(g_language));
    const QString style = isLight()
        ? QStringLiteral("QPushButton{icon-size:24;border-style:solid;border-width:0px 0px 0px 0px;"
                         "background-color:#F5F5F5;qproperty-icon: url(:/qss/light/icon-lang-%1.png); "
                         "qproperty-iconSize:24px 24px;padding-top:0px;} QPushButton:hover, "
                         "QPushButton:pressed {background-color:#dfdfdf;}")
        : QStringLiteral("QPushButton{icon-size:24;border-style:solid;border-width:0px 0px 0px 0px;"
                         "background-color:#1e1e1f;qproperty-icon: url(:/qss/light/icon-lang-%1.png); "
                         "qproperty-iconSize:24px 24px;padding-top:0px;}QPushButton:hover, "
                         "QPushButton:pressed {background-color:#2d2d2d;}");
    ui->widgetTitleBar->setLanguageButtonStyle(style.arg(code));
}

void Theme::updateSupportUrl()
{
    m_supportUrl = supportSiteAddress() + QLatin1String(customerServicePath(g_language));
}

void Theme::setDocLink(const QString &colour)
{
    ui->labelHyperlinksQuickStartGuide->setText(
        windowText(QT_TRANSLATE_NOOP("MainWindow",
            "<style> a {text-decoration: none} </style><a style='color: %2;' href=\"%1\" "
            "target=_blank>Documentation</a>"))
            .arg(m_docUrl, colour));
}

void Theme::setAppLink(const QString &colour, bool hovered)
{
    const QString text = hovered
        ? windowText(QT_TRANSLATE_NOOP("MainWindow",
              "<style> a {text-decoration: none} </style><a style='color: %2;' href=\"%1/\">Application "
              "and Firmware"))
        : windowText(QT_TRANSLATE_NOOP("MainWindow",
              "<style> a {text-decoration: none} </style><a style='color: %2;' href=\"%1\" "
              "target=_blank>Application and Firmware</a>"));
    ui->labelHyperlinksApp->setText(text.arg(m_appUrl, colour));
}

void Theme::setSupportLink(const QString &colour)
{
    ui->labelHyperlinksContactSupport->setText(
        windowText(QT_TRANSLATE_NOOP("MainWindow",
            "<style> a {text-decoration: none} </style><a style='color: %2;' href=\"%1/\">Contact Support"))
            .arg(m_supportUrl, colour));
}

void Theme::updateSupportLinks(const QString &colour)
{
    updateSupportUrl();
    setDocLink(colour);
    setAppLink(colour, true);
    setSupportLink(colour);
}

bool Theme::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool enter = type == QEvent::HoverEnter || type == QEvent::HoverMove;
    const bool leave = type == QEvent::HoverLeave;
    if (!enter && !leave)
        return false;
    const QString colour = enter ? QString::fromLatin1(kAccent) : themeLinkColour();
    if (watched == ui->labelHyperlinksQuickStartGuide) {
        setDocLink(colour);
    } else if (watched == ui->labelHyperlinksApp) {
        setAppLink(colour, enter);
    } else if (watched == ui->labelHyperlinksContactSupport) {
        updateSupportUrl();
        setSupportLink(colour);
    } else if (watched == ui->labelDevInfo || watched == ui->labelDevUpdate || watched == ui->labelDevSupport) {
        const QString style = enter ? QStringLiteral("color: %1;").arg(themeLinkColour())
                                    : (isLight() ? QStringLiteral("color: #4a4a4a;")
                                                 : QStringLiteral("color: #F2F2F2;"));
        static_cast<QLabel *>(watched)->setStyleSheet(style);
    }
    return false;
}

#include "ui/LanguageSwitch.h"

#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "core/Language.h"
#include "core/Startup.h"
#include "core/SharedTexts.h"
#include "platform/Clock.h"
#include "ui/dialogs/DialogPlacement.h"
#include "ui/dialogs/FormCustomizeMessagebox.h"
#include "ui/dialogs/FormPrompt.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDebug>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kRestartDelayMs = 1000;

LanguageSwitch::RestartHandler &restartHandler()
{
    static LanguageSwitch::RestartHandler handler;
    return handler;
}

} // namespace

LanguageSwitch::LanguageSwitch(Window &window)
    : QObject(window.widget())
    , m_window(window)
{
}

void LanguageSwitch::setRestartHandler(RestartHandler handler)
{
    restartHandler() = std::move(handler);
}

void LanguageSwitch::hideChooser()
{
    if (!m_formPrompt)
        return;
    m_formPrompt->hide();
    m_formPrompt->close();
}

void LanguageSwitch::on_btnLanguage_clicked()
{
    qDebug() << "Switch Language";
    if (m_formPrompt && m_formPrompt->isVisible()) {
        hideChooser();
        return;
    }
    if (m_window.refuseWhileUpgrading())
        return;
    if (!m_formPrompt) {
        m_formPrompt = new FormPrompt(m_window.widget());
        connect(m_formPrompt, &FormPrompt::sigSwitchLanguage, this, &LanguageSwitch::slotOnSwitchLanguage);
    }
    m_formPrompt->show();
    m_formPrompt->raise();
    // Near the cursor, below and left of the flag.
    QWidget *window = m_window.widget();
    const QPoint p = window ? window->mapFromGlobal(QCursor::pos()) : QCursor::pos();
    const int w = m_formPrompt->width();
    const int h = m_formPrompt->height();
    m_formPrompt->move(p.x() - w / 2 - 50, p.y() - h + h / 2 + 50);
}

void LanguageSwitch::slotOnSwitchLanguage(int type)
{
    qDebug() << "call slotOnSwitchLanguage";
    if (type == g_language) {
        hideChooser();
        return;
    }
    if (m_window.refuseWhileUpgrading())
        return;
    FormCustomizeMessagebox ask(QCoreApplication::translate(
                                    "MainWindow", "Camera needs to restart to switch the default language."),
                                1, false);
    if (execCentred(ask, m_window.widget(), QSize(450, 180)) != 1)
        return;

    m_window.stopStatusPoll();
    m_window.stopCameraPreView();

    g_language = type;
    qDebug() << "Switch Language" << g_language;
    {
        // Both values must be on disk before the new copy starts and reads them.
        SettingsStore settings;
        settings.setValue(QStringLiteral("/style/index"), QString::number(m_window.styleIndex()));
        settings.setValue(QStringLiteral("/ChangeLanguage/Language"), QString::number(type));
        if (!settings.sync())
            qWarning() << "The language choice could not be saved to" << settings.fileName();
    }
    platform::singleShot(kRestartDelayMs, this, [this] { slotRestartApp(); });
}

void LanguageSwitch::slotRestartApp()
{
    if (restartHandler()) {
        restartHandler()();
        return;
    }
    QCoreApplication::exit(kRestartExitCode);
}

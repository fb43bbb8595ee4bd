#pragma once
// The notices the window shows about camera settings and firmware upgrades, shared with
// lensdeskctl so that both say the same. They carry the window's translation context; a
// program without a translator (lensdeskctl) gets the English text.
#include <QCoreApplication>
#include <QString>

namespace notices {

inline QString windowText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

inline QString settingTimeout()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow", "The setting has timed out, please try again."));
}

inline QString operationTimeout()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow", "The operation has timed out, please try again."));
}

inline QString valueNotTaken()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "Any change in the setting takes effect only if the camera is working."));
}

inline QString restartNotice()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "To complete this process, your device may take a few seconds to restart."));
}

inline QString hdModeRestartNotice()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "Turn on for better image quality and turn off for better compatibility."
        "To complete this process, your device may take a few seconds to restart."));
}

// The package could not be unpacked; the tool's own words follow the heading.
inline QString unpackFailed(const QString &toolMessage)
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow", "<h3>Unable to Upgrade</h3>\r\n%1")).arg(toolMessage);
}

// Another program holds the user's upgrade lock: it prepares or runs an upgrade.
inline QString upgradeLockHeld(const QString &program, qint64 pid)
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "<h3>Unable to Upgrade</h3>\r\nAnother program is upgrading a camera: %1 (process %2). "
        "Please try again when it has finished."))
        .arg(program.isEmpty() ? QStringLiteral("?") : program,
             pid > 0 ? QString::number(pid) : QStringLiteral("?"));
}

inline QString packageFormatWrong()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "<h3>Unable to Upgrade</h3>\r\nThe format of firmware file is not correct."));
}

inline QString packageCorrupted()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "<h3>Unable to Upgrade</h3>\r\nThe firmware file is corrupted."));
}

inline QString packageModelMismatch()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "<h3>Unable to Upgrade</h3>\r\nThe upgrade version does not match this device."));
}

inline QString upgradeDone()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "<h3>Upgrade is done!</h3>\r\nThe device is initializing, don't power off."));
}

inline QString upgradeFailed()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "<h3>Upgrade Failed!</h3>\r\nplease try to unplug and plug the USB cable for upgrade again."));
}

} // namespace notices

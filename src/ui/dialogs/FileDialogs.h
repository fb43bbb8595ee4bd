#pragma once
#include <QString>

#include <functional>

class QWidget;

// Every file pick of the application goes through here. Normally it is Qt's file-open
// dialog; a test installs a hook that answers instead, so no native dialog ever opens
// in a test run.
class FileDialogs
{
public:
    struct Request
    {
        QWidget *parent = nullptr;
        QString caption;
        QString dir;
        QString filter;
    };
    // Returns the chosen file, or an empty string for a cancelled pick.
    using Hook = std::function<QString(const Request &request)>;

    // The chosen file, or empty when the user cancels.
    static QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                   const QString &filter);

    // Installs the hook that answers every pick (an empty hook restores the real dialog).
    static void setHook(Hook hook);
    static bool hasHook();
};

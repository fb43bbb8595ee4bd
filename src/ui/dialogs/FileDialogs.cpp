#include "ui/dialogs/FileDialogs.h"

#include <QFileDialog>

namespace {
// GUI thread only, like the dialogs themselves.
FileDialogs::Hook &hook()
{
    static FileDialogs::Hook h;
    return h;
}
} // namespace

QString FileDialogs::getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                     const QString &filter)
{
    if (hook())
        return hook()(Request{parent, caption, dir, filter});
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

void FileDialogs::setHook(Hook h)
{
    hook() = std::move(h);
}

bool FileDialogs::hasHook()
{
    return bool(hook());
}

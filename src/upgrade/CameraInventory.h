#pragma once
#include "upgrade/ListedCamera.h"

#include <QList>
#include <QMap>
#include <QString>

// The supported cameras plugged in, as the window finds them: the capture devices the
// catalogue accepts for the configured manufacturer, with model and firmware, followed
// by the cameras stuck in a boot state on the volumes D: to Z:.
class CameraInventory
{
public:
    explicit CameraInventory(int productLine);

    // Firmware versions are read over each camera's extension unit (unless readFirmware
    // is false: a quick list, for the shell completion).
    QList<ListedCamera> scan(bool readFirmware = true) const;
    // Only the cameras in a boot state.
    QList<ListedCamera> scanBootStates() const;
    // The supported cameras plugged in that the list leaves out because they are another
    // manufacturer's: how many per manufacturer number that would list them.
    QMap<int, int> hiddenByManufacturer() const;

    enum Selection { Selected, NoMatch, Ambiguous };
    // A selector is a number from the list (an index and nothing else), or a fragment of
    // the device path or of the name (either case); "name:" or "path:" before a fragment
    // matches names or paths only (a name made of digits is chosen so). A fragment that
    // fits several cameras selects none; matches receives them.
    static Selection select(const QList<ListedCamera> &cameras, const QString &selector,
                            QList<ListedCamera> *matches);

    // Firmware version of the camera with this id and name; empty when it does not answer.
    static QString readFirmware(const QString &id, const QString &name);

private:
    int m_productLine;
};

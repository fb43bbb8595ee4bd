#pragma once
#include <QString>

// Readies a firmware package for an upgrade: removes what an earlier package left in
// the package folder, unpacks the archive there and checks that it is complete and
// names its model. The window and lensdeskctl both prepare packages through here and
// tell the user the matching notice.
class PackagePreparation
{
public:
    enum Result {
        Ready,        // unpacked, complete, model read
        UnpackFailed, // the archive tool refused (toolMessage says why)
        FormatWrong,  // a required entry is missing
        Corrupted     // no model could be read
    };

    static Result prepare(const QString &archive, int &model, QString &toolMessage);
};

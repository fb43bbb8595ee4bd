// What the program reads from an unpacked package folder: the model file (the model
// name searched in "miservice.ubifs" or "model.dat"), the list of entries an earlier
// extraction recorded (".package-entries"), and the file names a script gives, resolved
// inside the folder. The first byte picks the model file; the rest is its content, which
// also serves as the entry list, and its first line as a file name.
#include "FuzzSupport.h"

#include "upgrade/PackageFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    static const QString folder = [] {
        const QString f = fuzzsupport::scratchDir() + QStringLiteral("/package");
        QDir().mkpath(f + QStringLiteral("/scripts"));
        fuzzsupport::writeFile(f + QStringLiteral("/kernel"), "k");
        return f;
    }();
    if (size < 1)
        return 0;
    const QByteArray content = fuzzsupport::bytes(data + 1, size - 1);
    const bool miservice = (data[0] & 1) != 0;
    const QString modelFile = folder + (miservice ? QStringLiteral("/miservice.ubifs") : QStringLiteral("/model.dat"));
    QFile::remove(folder + (miservice ? QStringLiteral("/model.dat") : QStringLiteral("/miservice.ubifs")));
    fuzzsupport::writeFile(modelFile, content);
    int model = -1;
    if (readPackageModel(folder, model) && (model < 0 || model > 16))
        std::abort(); // a model the catalogue does not have

    fuzzsupport::writeFile(folder + QLatin1Char('/') + packageManifestName(), content);
    for (const QString &name : readPackageManifest(folder)) {
        // Recorded names are plain top-level names and never the program's own.
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..") || isProgramFile(name))
            std::abort();
    }

    const QByteArray name = content.left(content.indexOf('\n'));
    PackageFileProblem problem = PackageFileProblem::None;
    const QString path = resolvePackageFile(folder, name, &problem);
    if (!path.isEmpty() && !path.startsWith(QFileInfo(folder).canonicalFilePath() + QLatin1Char('/')))
        std::abort(); // a file outside the package
    return 0;
}

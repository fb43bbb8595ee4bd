// The upgrade script interpreter, played against a rig camera in its boot-loader state
// on a virtual clock (its pauses cost nothing). The input is the package's scripts:
// "auto_update.txt", then, after each line "=====", "a.txt", "b.txt" and
// "scripts/c.txt", which the first may name with "estar". The package also holds a
// small "kernel" and "u-boot.bin" to download with "tftp".
#include "FuzzSupport.h"

#include "platform/Backend.h"
#include "platform/VirtualClock.h"
#include "platform/sim/SimBackend.h"
#include "platform/sim/SimRig.h"
#include "upgrade/FirmwarePackage.h"
#include "upgrade/UpgradeScript.h"

#include <QDir>
#include <QFile>

#include <memory>

namespace {

const char kRig[] = R"({"cameras": [ { "key": "cam1", "driveLetter": "F", "mode": "uboot" } ]})";
const char *const kScriptNames[] = {"auto_update.txt", "a.txt", "b.txt", "scripts/c.txt"};

struct Bench
{
    platform::VirtualClock clock;
    QString folder;

    Bench()
    {
        clock.setRealMicrosPerMs(0);
        platform::setClock(&clock);
        folder = fuzzsupport::scratchDir() + QStringLiteral("/package");
        QDir().mkpath(folder + QStringLiteral("/scripts"));
        fuzzsupport::writeFile(folder + QStringLiteral("/kernel"), QByteArray(3000, 'k'));
        fuzzsupport::writeFile(folder + QStringLiteral("/u-boot.bin"), QByteArray(40000, 'u'));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    static Bench &bench = *new Bench;
    // A handful of short scripts is what a package brings; the interpreter's own limits
    // bound the work of what they name.
    if (size > 16384)
        return 0;
    const QList<QByteArray> parts = fuzzsupport::split(fuzzsupport::bytes(data, size), "\n=====\n");
    const int count = int(sizeof kScriptNames / sizeof kScriptNames[0]);
    for (int i = 0; i < count; ++i) {
        const QString path = bench.folder + QLatin1Char('/') + QLatin1String(kScriptNames[i]);
        if (i < parts.size())
            fuzzsupport::writeFile(path, parts.at(i));
        else
            QFile::remove(path);
    }

    QString error;
    auto rig = sim::SimRig::fromJson(kRig, &error);
    if (!rig)
        abort();
    platform::setBackend(std::make_unique<sim::SimBackend>(std::move(rig)));
    {
        std::shared_ptr<platform::Volume> volume = platform::backend().openVolume(QStringLiteral("\\\\.\\F:"));
        if (!volume)
            abort();
        runUpgradeScript(volume.get(), FirmwarePackage(bench.folder), "auto_update.txt");
    }
    platform::setBackend(nullptr);
    return 0;
}

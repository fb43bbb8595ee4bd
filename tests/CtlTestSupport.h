#pragma once
// lensdeskctl run as real processes against rig files. Each process saves its rig's
// state when it ends (LENSDESK_RIG_SAVE); Rig loads that state into a rig of its own, so
// that every value a command wrote is read back from the rig, not from lensdeskctl.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "platform/CaptureFilter.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimRig.h"
#include "platform/sim/SimUvcCamera.h"
#include "upgrade/Zip7z.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace ctltest {

using platform::PropertySet;


inline const QByteArray kKernel = upgradetest::pattern(60000, 3);

inline QJsonObject camera(const QString &key, const QString &instance, QJsonObject extra = {})
{
    extra.insert(QStringLiteral("key"), key);
    extra.insert(QStringLiteral("instance"), instance);
    return extra;
}

inline QByteArray rig(const QList<QJsonObject> &cameras)
{
    QJsonArray array;
    for (const QJsonObject &c : cameras)
        array.append(c);
    return QJsonDocument(QJsonObject{{QStringLiteral("cameras"), array}}).toJson();
}

// Three supported cameras of two models and one stuck in its boot ROM, plus a webcam of
// another vendor that is not listed.
inline QByteArray mixedRig()
{
    return rig({camera(QStringLiteral("cam1"), QStringLiteral("7&1111&0"), {{"firmware", "1.2.3"}}),
                camera(QStringLiteral("cam2"), QStringLiteral("7&2222&0"),
                       {{"friendlyName", "LNS612-000 Cam"}, {"driveLetter", "G"}}),
                camera(QStringLiteral("rom"), QStringLiteral("7&3333&0"), {{"mode", "rom"}, {"driveLetter", "H"}}),
                camera(QStringLiteral("other"), QStringLiteral("7&4444&0"),
                       {{"vendorId", "0x046D"}, {"friendlyName", "Other Webcam"}})});
}

inline QByteArray oneCamera(QJsonObject extra = {})
{
    return rig({camera(QStringLiteral("cam1"), QStringLiteral("7&1111&0"), extra)});
}

struct Run
{
    int code = -1;
    QString out;
    QString err;
    QByteArray state; // the rig as the process left it
};

inline QString binary()
{
    return testsupport::appDir() + QStringLiteral("/lensdeskctl");
}

// A copy of the built lensdeskctl in the test's application directory, whose settings
// name the manufacturer with vendor 0x3749 (unpacked packages stay there too).
inline bool installBinary()
{
    QFile::remove(binary());
    if (!QFile::copy(QStringLiteral(LENSDESK_CTL_BINARY), binary()))
        return false;
    QSettings settings(testsupport::appDir() + QStringLiteral("/product.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("/product_model/main"), 2);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

// Starts lensdeskctl on a rig written into dir, saving the rig's state there at its end.
inline void startCtl(QProcess &p, const QTemporaryDir &dir, const QStringList &arguments, const QByteArray &rigJson,
              const QProcessEnvironment &extra = {})
{
    const QString rigFile = dir.filePath(QStringLiteral("rig.json"));
    upgradetest::writeFile(rigFile, rigJson);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LENSDESK_BACKEND"), QStringLiteral("sim"));
    env.insert(QStringLiteral("LENSDESK_SIM_VIRTUAL_CLOCK"), QStringLiteral("1"));
    env.insert(QStringLiteral("LENSDESK_RIG"), rigFile);
    env.insert(QStringLiteral("LENSDESK_RIG_SAVE"), dir.filePath(QStringLiteral("state.json")));
    env.insert(extra);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(binary(), arguments);
}

// input, when given, is the process's standard input.
inline Run ctl(const QStringList &arguments, const QByteArray &rigJson, const QByteArray &input = QByteArray(),
               const QProcessEnvironment &extra = {})
{
    QTemporaryDir dir;
    const QString stateFile = dir.filePath(QStringLiteral("state.json"));
    QProcess p;
    startCtl(p, dir, arguments, rigJson, extra);
    p.write(input);
    p.closeWriteChannel();
    Run run;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        qWarning("lensdeskctl %s did not end", qPrintable(arguments.join(QLatin1Char(' '))));
        return run;
    }
    run.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    QFile state(stateFile);
    if (state.open(QIODevice::ReadOnly))
        run.state = state.readAll();
    return run;
}

inline QJsonObject json(const Run &run)
{
    return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

// The rig a process left behind, to read its cameras.
class Rig
{
public:
    explicit Rig(const QByteArray &state)
    {
        QString error;
        m_rig = sim::SimRig::fromJson(state, &error);
        if (!m_rig)
            qFatal("the saved rig does not load: %s", qPrintable(error));
    }
    sim::SimCamera *cam(const char *key) const { return m_rig->camera(QLatin1String(key)); }
    int feature(const char *key, const char *name) const { return cam(key)->uvc().feature(QLatin1String(name)); }
    sim::SimUvcCamera::Property property(const char *key, PropertySet set, int id) const
    {
        sim::SimUvcCamera::Property p;
        if (!cam(key)->uvc().property(set, id, &p))
            qFatal("no property %d", id);
        return p;
    }
    int camera(const char *key, int id) const { return property(key, PropertySet::CameraControl, id).value; }
    int image(const char *key, int id) const { return property(key, PropertySet::VideoProcAmp, id).value; }
    bool imageAuto(const char *key, int id) const { return property(key, PropertySet::VideoProcAmp, id).flags == 1; }
    bool focusAuto(const char *key) const { return property(key, PropertySet::CameraControl, 6).flags == 1; }

private:
    std::unique_ptr<sim::SimRig> m_rig;
};

inline QString makePackage(const QTemporaryDir &work, const QByteArray &modelName = "Orvia Vista Pro")
{
    const QString dir = work.path() + QStringLiteral("/package");
    QDir(dir).removeRecursively();
    upgradetest::writeFile(dir + QStringLiteral("/auto_update.txt"),
                           "estar scripts/flash.txt\r\nsetenv fw_version 1.0.23\r\nsaveenv\r\nreset\r\n");
    upgradetest::writeFile(dir + QStringLiteral("/scripts/flash.txt"),
                           "tftp 0x21000000 kernel\nnand write.e 0x21000000 kernel ${filesize}\n");
    upgradetest::writeFile(dir + QStringLiteral("/kernel"), kKernel);
    upgradetest::writeFile(dir + QStringLiteral("/miservice.ubifs"),
                           upgradetest::pattern(3000, 4) + modelName + upgradetest::pattern(100, 5));
    upgradetest::writeFile(dir + QStringLiteral("/usb_updater.bin"), upgradetest::pattern(5000, 6));
    upgradetest::writeFile(dir + QStringLiteral("/u-boot.bin"), upgradetest::pattern(30000, 7));
    const QString archive = work.path() + QStringLiteral("/") + QString::fromLatin1(modelName).replace(' ', '_')
        + QStringLiteral(".zip");
    QFile::remove(archive);
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(Zip7z::toolPath(), {QStringLiteral("a"), QStringLiteral("-tzip"), archive, QStringLiteral("auto_update.txt"),
                                QStringLiteral("scripts"), QStringLiteral("kernel"), QStringLiteral("miservice.ubifs"),
                                QStringLiteral("usb_updater.bin"), QStringLiteral("u-boot.bin")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qFatal("cannot build %s", qPrintable(archive));
    return archive;
}

inline QStringList lines(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The folders named for a process ("<prefix><pid>-...") in the application directory.
inline QStringList foldersOf(qint64 pid)
{
    return QDir(testsupport::appDir())
        .entryList({QStringLiteral(".package-%1-*").arg(pid)}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

inline const QString kPath1 = QStringLiteral("vid_3749&pid_030a&mi_00#7&1111&0&0000");
inline const QString kPath2 = QStringLiteral("vid_3749&pid_030a&mi_00#7&2222&0&0000");

} // namespace ctltest

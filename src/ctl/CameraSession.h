#pragma once
#include "camera/OpenCamera.h"
#include "upgrade/ListedCamera.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

// One camera opened for reading and writing its settings by name, on the camera model
// (OpenCamera and the settings' description) the window uses too: a setting the model
// does not have or a value outside the camera's range is refused before anything is
// sent, and every value sent is read back.
class CameraSession
{
public:
    struct Outcome
    {
        enum Status {
            Done,
            Refused,  // not sent: the model lacks it, the value is out of range, or the camera's state forbids it
            NotTaken, // sent, and the camera holds another value (or did not answer)
            BadValue, // the value is no value of this setting at all
            Unknown   // no setting of that name
        };
        Status status = Done;
        QString name;
        QJsonValue value;   // the value the camera holds afterwards (when read)
        QString message;
        // Why it is not done, as a word for scripts: "missing", "out-of-range", "state",
        // "bad-value", "unknown", "camera-refused", "no-answer", "no-extension-unit",
        // "not-kept", "no-return" (the camera did not come back after its restart);
        // empty when done.
        QString reason;
        QString statusText() const;
        // {"name", "status", "reason", "value", "message"}, null where there is none.
        QJsonObject toJson() const;
    };

    // One setting to write, as given.
    struct Step
    {
        QString name;
        QJsonValue value;
    };
    // Puts a batch in the order writeRank() gives (stable: one rank keeps the order given).
    static void sortSteps(QList<Step> &steps);

    explicit CameraSession(int productLine);
    ~CameraSession();
    CameraSession(const CameraSession &) = delete;
    CameraSession &operator=(const CameraSession &) = delete;

    bool openCamera(const ListedCamera &camera, QString *error);
    void closeCamera();
    const ListedCamera &listedCamera() const { return m_camera; }

    // Every setting name, in the order lensdeskctl shows them.
    static QStringList settingNames();
    static bool isSetting(const QString &name);
    // The settings this camera has.
    QStringList availableNames() const;
    // Why this camera has no such setting; empty when it has.
    QString missingReason(const QString &name) const;
    // What the setting takes on this camera ("100..800", "on, off", ...).
    QString allowedValues(const QString &name) const;

    // The camera's value of one setting; false when the camera does not answer.
    bool readSetting(const QString &name, QJsonValue *value);
    // Why the last read failed, {"name", "reason", "message"}: the same words for get
    // and save.
    QJsonObject readFailure(const QString &name) const;
    // Every available setting; a readFailure() for each the camera did not answer.
    QJsonObject readAllSettings(QJsonArray *errors);
    // The range, step and default of a range setting, the words of a switch or list
    // ({"kind", "min", "max", "step", "default"} or {"kind", "values"}), as they are on
    // this camera.
    QJsonObject describe(const QString &name) const;

    // Writes one setting (value as text or JSON number/string/bool) and reads it back.
    Outcome writeSetting(const QString &name, const QJsonValue &value);
    // Waits for the camera to come back after a restart (a factory reset) and opens it
    // again; false when it has not come back.
    bool waitForRestart() { return waitForReturn(); }

    // The order a batch of settings is written in, so that each finds the state it
    // needs: modes switched off first, the field of view before zoom, zoom before pan
    // and tilt, tracking mode before its effect and speed, automatic modes switched on
    // last, and the settings that restart the camera at the very end.
    static int writeRank(const QString &name, const QJsonValue &value);

    // Whether the value is one the setting takes at all (before any camera is asked).
    static bool checkValue(const QString &name, const QJsonValue &value, QString *error);

    // The channel to the camera's extension unit (the upgrade worker sends the
    // upgrade-mode entry through it).
    UVCExtensionUnit &extensionUnit() { return m_device.extensionUnit(); }
    // The open camera itself (position presets are saved and recalled on it).
    OpenCamera &device() { return m_device; }

    // Texts of the values (for the text output).
    static QString valueText(const QJsonValue &value);

private:
    bool has(const CameraSetting &setting) const;
    bool reopen();
    bool waitForReturn();
    static bool parseValue(const CameraSetting &setting, const QJsonValue &value, int *number, QString *error);
    static QString optionWords(const CameraSetting &setting);
    static QJsonValue presentValue(const CameraSetting &setting, int number);
    int lowOf(const CameraSetting &setting) const;
    int highOf(const CameraSetting &setting) const;
    Outcome writeValue(const CameraSetting &setting, int value);
    QString precondition(const CameraSetting &setting);
    void goHome();
    Outcome finish(const CameraSetting &setting, int sent, bool taken);
    // What the camera did with a request that failed, in words.
    QString faultText(const QString &name, const QString &sent) const;
    QString faultReason() const;

    int m_productLine;
    ListedCamera m_camera;
    OpenCamera m_device;
    bool m_open = false;
};

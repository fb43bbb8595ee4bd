#pragma once
#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "ctl/ListedCamera.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

// One camera opened for reading and writing its settings by name: the standard
// properties through DShowCameraWrapper and the vendor features through
// UVCExtensionUnit, with the window's rules (CameraRules, the model's control rows):
// a setting the model does not have or a value outside the camera's range is refused
// before anything is sent, and every value sent is read back.
class CameraSession
{
public:
    // How a setting's values are written.
    enum class Kind { Range, Switch, Choice };

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
        QString statusText() const;
    };

    explicit CameraSession(int productLine);
    ~CameraSession();
    CameraSession(const CameraSession &) = delete;
    CameraSession &operator=(const CameraSession &) = delete;

    bool open(const ListedCamera &camera, QString *error);
    void close();
    const ListedCamera &camera() const { return m_camera; }

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
    bool read(const QString &name, QJsonValue *value);
    // Every available setting; the names the camera did not answer go to failed.
    QJsonObject readAll(QStringList *failed);

    // Writes one setting (value as text or JSON number/string/bool) and reads it back.
    Outcome write(const QString &name, const QJsonValue &value);
    // The order a batch of settings is written in, so that each finds the state it
    // needs: modes switched off first, the field of view before zoom, zoom before pan
    // and tilt, tracking mode before its effect and speed, automatic modes switched on
    // last, and the settings that restart the camera at the very end.
    static int writeRank(const QString &name, const QJsonValue &value);

    // Whether the value is one the setting takes at all (before any camera is asked).
    static bool checkValue(const QString &name, const QJsonValue &value, QString *error);

    // The channel to the camera's extension unit (the upgrade worker sends the
    // upgrade-mode entry through it).
    UVCExtensionUnit &extensionUnit() { return m_uvc; }

    // Texts of the values (for the text output).
    static QString valueText(const QJsonValue &value);

private:
    struct Definition;
    static const QList<Definition> &definitions();
    static const Definition *definition(const QString &name);

    bool has(const QString &name) const;
    bool refresh();
    bool reopen();
    bool waitForReturn();
    int trackingMode();
    static bool parse(const Definition &def, const QJsonValue &value, int *number, QString *error);
    static QString optionWords(const Definition &def);
    QJsonValue present(const Definition &def, int number) const;
    bool readNumber(const Definition &def, int *number);
    Outcome writeProperty(const Definition &def, int value);
    Outcome writeVendor(const Definition &def, int value);
    Outcome writeAutoMode(const Definition &def, int on);
    QString precondition(const Definition &def, int value);
    void goHome();
    Outcome finish(const Definition &def, int sent, bool taken, const QString &timeoutText);

    int m_productLine;
    ListedCamera m_camera;
    DShowCameraWrapper m_dshow;
    UVCExtensionUnit m_uvc;
    int m_index = -1;
    bool m_open = false;
};

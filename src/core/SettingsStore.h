#pragma once
#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

// The program's persisted settings, with the same keys wherever they live. A portable
// install reads and writes "product.ini" beside the executable. An installed program
// reads the user's values from the user's configuration folder and, for a key the user
// has no value for, the installation's default file; it writes to the user's file only.
class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    void setValue(const QString &key, const QVariant &value);
    // Removes a key, or a group with everything under it, from the user's file.
    void remove(const QString &key);
    // Writes what was set to disk; false, with a warning in the log, when it could not.
    bool sync();

    QString fileName() const;
    QString defaultsFileName() const;

private:
    QSettings m_user;
    std::unique_ptr<QSettings> m_defaults;
    bool m_dirty = false;
};

#include "core/SettingsStore.h"

#include "core/AppPaths.h"

#include <QDebug>

SettingsStore::SettingsStore()
    : m_user(userSettingsFilePath(), QSettings::IniFormat)
{
    const QString defaults = defaultSettingsFilePath();
    if (!defaults.isEmpty())
        m_defaults = std::make_unique<QSettings>(defaults, QSettings::IniFormat);
}

SettingsStore::~SettingsStore()
{
    if (m_dirty)
        sync();
}

QVariant SettingsStore::value(const QString &key, const QVariant &defaultValue) const
{
    if (m_user.contains(key))
        return m_user.value(key);
    if (m_defaults && m_defaults->contains(key))
        return m_defaults->value(key);
    return defaultValue;
}

void SettingsStore::setValue(const QString &key, const QVariant &value)
{
    m_user.setValue(key, value);
    m_dirty = true;
}

void SettingsStore::remove(const QString &key)
{
    m_user.remove(key);
    m_dirty = true;
}

bool SettingsStore::sync()
{
    m_dirty = false;
    m_user.sync();
    if (m_user.status() == QSettings::NoError)
        return true;
    qWarning() << "The settings could not be written to" << m_user.fileName();
    return false;
}

QString SettingsStore::fileName() const
{
    return m_user.fileName();
}

QString SettingsStore::defaultsFileName() const
{
    return m_defaults ? m_defaults->fileName() : QString();
}

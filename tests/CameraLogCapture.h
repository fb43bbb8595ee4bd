#pragma once
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects every Qt message while alive (the camera tests check exact log texts).
class CameraLogCapture
{
public:
    CameraLogCapture()
    {
        s_lines().clear();
        m_previous = qInstallMessageHandler(&CameraLogCapture::handler);
    }
    ~CameraLogCapture() { qInstallMessageHandler(m_previous); }
    CameraLogCapture(const CameraLogCapture &) = delete;
    CameraLogCapture &operator=(const CameraLogCapture &) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&s_mutex());
        return s_lines();
    }
    void clear()
    {
        QMutexLocker lock(&s_mutex());
        s_lines().clear();
    }
    bool contains(const QString &text) const { return lines().contains(text); }
    int indexOf(const QString &text) const { return lines().indexOf(text); }
    // The lines that start with the given text.
    QStringList startingWith(const QString &prefix) const
    {
        QStringList found;
        for (const QString &line : lines()) {
            if (line.startsWith(prefix))
                found.append(line);
        }
        return found;
    }

private:
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        QMutexLocker lock(&s_mutex());
        s_lines().append(message);
    }
    static QStringList &s_lines()
    {
        static QStringList lines;
        return lines;
    }
    static QMutex &s_mutex()
    {
        static QMutex mutex;
        return mutex;
    }

    QtMessageHandler m_previous = nullptr;
};

#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace sim {

class SimRig;

// Drives the rig while lensdesk runs (demos, manual tests): one command per line read
// from a FIFO on the GUI thread, for example
//   echo "unplug cam1" > "$LENSDESK_RIG_CONTROL"
// Every line is a rig command ("plug cam1", "restart cam1 500", "rom cam1", ...) or
// "add <json>" with one device object as in the rig file's "cameras" array.
class SimControlChannel : public QObject
{
    Q_OBJECT
public:
    explicit SimControlChannel(SimRig &rig, QObject *parent = nullptr);
    ~SimControlChannel() override;

    // The channel named by LENSDESK_RIG_CONTROL, or null when unset or it does not open
    // (reported on standard error).
    static std::unique_ptr<SimControlChannel> fromEnvironment(SimRig &rig);

    // Opens the FIFO at path, creating it when missing; false with a message when the
    // path exists and is not a FIFO or cannot be opened.
    bool open(const QString &path, QString *error);
    QString path() const { return m_path; }

    // Applies one command line; false with a message when it is not understood.
    bool apply(const QString &line, QString *error);

signals:
    // One line was applied (ok) or refused (with the reason).
    void commandApplied(const QString &line, bool ok, const QString &error);

private:
    void readAvailable();
    void close();

    SimRig &m_rig;
    QString m_path;
    int m_fd = -1;
    bool m_created = false;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
};

} // namespace sim

#pragma once
#include "platform/Volume.h"
#include "platform/sim/SimVolume.h"

#include <QByteArray>
#include <QChar>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>

namespace sim {

class SimCamera;

// The mass-storage side of a rig device: the volume it presents in the upgrade modes
// (or always, for a plain disk on the rig), its INQUIRY answer and the vendor 0xE8
// protocol of the boot ROM, the updater and the boot loader.
//
// The device checks every request byte for byte (header, CDB, direction, lengths,
// time-out, target) and refuses a malformed one at the platform level. A well-formed
// command that the current state does not take is answered with CHECK CONDITION.
class SimMassStorage
{
public:
    // One vendor request as the device saw it.
    struct Request
    {
        int subcommand = 0;
        std::uint32_t length = 0;
        bool ok = false; // the platform request succeeded
    };
    // One completed download (header plus data).
    struct Download
    {
        std::uint32_t address = 0;
        std::uint32_t size = 0;
        QByteArray headerDigest;
        QByteArray dataDigest;
        bool verified = false;
    };
    // One image written to "flash" by a boot-loader command.
    struct FlashWrite
    {
        QString name;
        std::uint32_t size = 0;
        QByteArray digest;
    };

    SimMassStorage(SimCamera &camera, const QJsonObject &config);
    ~SimMassStorage();
    SimMassStorage(const SimMassStorage &) = delete;
    SimMassStorage &operator=(const SimMassStorage &) = delete;

    // Whether this device presents a volume with the given drive letter right now.
    bool answersDrive(QChar letter) const;
    // Opens that volume (null when the "openFails" fault is set).
    std::shared_ptr<platform::Volume> openVolume();
    // The device left the bus: open handles die, memory and pending work are lost,
    // the saved environment and the flash stay.
    void leaveBus();

    // A plain disk of the rig (not a camera).
    bool isDisk() const { return m_disk; }
    // The USB product string the device gives in the upgrade modes.
    QString usbProduct() const { return m_usbProduct; }

    // Observability.
    int openHandles() const { return m_openHandles.load(); }
    int inquiries() const;
    qint64 bytesReceived() const;
    QList<Request> requests() const;
    // Command lines received with subcommand 6, executed or not.
    QStringList commandsReceived() const;
    // Command lines the device executed.
    QStringList commandsExecuted() const;
    QList<Download> downloads() const;
    QList<FlashWrite> flashWrites() const;
    // The program the boot ROM received, and how many blocks it came in.
    QByteArray updaterImage() const;
    int updaterBlocks() const;
    QMap<QString, QString> savedEnvironment() const;
    int malformedRequests() const;
    QString lastMalformedReason() const;
    void clearLog();

    // Used by SimVolume.
    int transferDelayMs(std::uint32_t code, const void *in, std::uint32_t inLength) const;
    bool request(quint64 generation, std::uint32_t code, const void *in, std::uint32_t inLength,
                 void *out, std::uint32_t outLength, std::uint32_t *bytesReturned, int delayedMs);
    void volumeClosed() { --m_openHandles; }

private:
    enum class Answer { Good, CheckCondition, Fail };

    bool live(quint64 generation) const;
    bool malformed(const QString &reason);
    QByteArray inquiryData() const;
    Answer vendor(int subcommand, const std::uint8_t *data, std::uint32_t length,
                  std::uint8_t *dataOut);
    Answer dataBlock(int subcommand, const std::uint8_t *data, std::uint32_t length);
    Answer romBlock(int subcommand, const std::uint8_t *data, std::uint32_t length);
    void finishDownload();
    Answer statusRead(std::uint8_t *dataOut, std::uint32_t length);
    Answer command(const QByteArray &line);
    bool execute(const QString &line);
    QString expand(const QString &line) const;
    bool takeFault(const QString &name);
    void vanish();
    void setStatus(bool ok);
    void resetDevice();

    SimCamera &m_camera;
    bool m_disk = false;
    QByteArray m_vendor;
    QByteArray m_product; // empty: the state signature of the current mode
    QString m_usbProduct;
    int m_handoverMs = 1500;
    std::shared_ptr<SimVolume::Link> m_link;
    std::atomic<int> m_openHandles{0};
    quint64 m_generation = 1;

    // Volatile device state (lost when the device leaves the bus).
    bool m_downloading = false;
    Download m_pending;
    QByteArray m_received;
    QMap<std::uint32_t, QByteArray> m_memory;
    QMap<QString, QString> m_environment;
    std::uint8_t m_status[4] = {0, 0, 0, 0};
    bool m_handoverPending = false;
    bool m_resetPending = false;
    QByteArray m_romImage;
    int m_romBlocks = 0;

    // Persistent state.
    QMap<QString, QString> m_savedEnvironment;

    // Observability.
    int m_inquiries = 0;
    qint64 m_bytesReceived = 0;
    QList<Request> m_requests;
    QStringList m_commandsReceived;
    QStringList m_commandsExecuted;
    QList<Download> m_downloads;
    QList<FlashWrite> m_flashWrites;
    QByteArray m_updaterImage;
    int m_updaterBlocks = 0;
    int m_malformed = 0;
    QString m_lastMalformed;
};

} // namespace sim

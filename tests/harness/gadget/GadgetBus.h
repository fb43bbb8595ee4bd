#pragma once
#include <QString>

#include <ctime>

// One USB gadget in configfs with a single FunctionFS function: its identity, the
// FunctionFS mount the function program serves, and binding to a dummy_hcd port
// (binding is a plug, unbinding an unplug).
class GadgetBus
{
public:
    struct Identity
    {
        quint16 vendorId = 0;
        quint16 productId = 0;
        quint8 deviceClass = 0;
        quint8 deviceSubClass = 0;
        quint8 deviceProtocol = 0;
        QString manufacturer;
        QString product;
        QString serial;
    };

    // name: the gadget's and the function instance's name; udc: the port to bind to.
    GadgetBus(const QString &name, const QString &udc);
    ~GadgetBus();

    // Makes the gadget and mounts its FunctionFS; false with a message on failure.
    bool create(const Identity &identity, QString *error);
    // The FunctionFS mount (ep0, ep1, ...).
    QString functionDir() const { return m_mount; }

    bool bind();
    bool unbind();
    bool bound() const { return m_bound; }

private:
    bool write(const QString &path, const QString &text);

    QString m_name;
    QString m_udc;
    QString m_dir;
    QString m_mount;
    bool m_bound = false;
};

// Seconds since the guest booted, the time base of dmesg: the emulators' log lines carry
// it so that they can be read beside the kernel's.
inline double bootSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

#include "GadgetBus.h"

#include <QDir>
#include <QFile>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
const QString kConfigfs = QStringLiteral("/sys/kernel/config/usb_gadget/");
} // namespace

GadgetBus::GadgetBus(const QString &name, const QString &udc)
    : m_name(name)
    , m_udc(udc)
    , m_dir(kConfigfs + name)
    , m_mount(QStringLiteral("/tmp/ffs-") + name)
{
}

GadgetBus::~GadgetBus()
{
    if (m_bound)
        unbind();
}

bool GadgetBus::write(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8() + '\n';
    return file.write(bytes) == bytes.size();
}

bool GadgetBus::create(const Identity &identity, QString *error)
{
    QDir dir;
    const QString strings = m_dir + QStringLiteral("/strings/0x409");
    const QString config = m_dir + QStringLiteral("/configs/c.1");
    const QString function = m_dir + QStringLiteral("/functions/ffs.") + m_name;
    if (!dir.mkpath(strings) || !dir.mkpath(config + QStringLiteral("/strings/0x409")) || !dir.mkpath(function)) {
        *error = QStringLiteral("cannot make the gadget %1 in configfs").arg(m_name);
        return false;
    }
    const auto hex = [](int value) { return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0')); };
    bool ok = write(m_dir + QStringLiteral("/idVendor"), hex(identity.vendorId))
              && write(m_dir + QStringLiteral("/idProduct"), hex(identity.productId))
              && write(m_dir + QStringLiteral("/bcdUSB"), QStringLiteral("0x0200"))
              && write(m_dir + QStringLiteral("/bcdDevice"), QStringLiteral("0x0100"))
              && write(m_dir + QStringLiteral("/bDeviceClass"), QString::number(identity.deviceClass))
              && write(m_dir + QStringLiteral("/bDeviceSubClass"), QString::number(identity.deviceSubClass))
              && write(m_dir + QStringLiteral("/bDeviceProtocol"), QString::number(identity.deviceProtocol))
              && write(strings + QStringLiteral("/manufacturer"), identity.manufacturer)
              && write(strings + QStringLiteral("/product"), identity.product)
              && write(strings + QStringLiteral("/serialnumber"), identity.serial)
              && write(config + QStringLiteral("/strings/0x409/configuration"), m_name)
              && write(config + QStringLiteral("/MaxPower"), QStringLiteral("500"));
    if (!ok) {
        *error = QStringLiteral("cannot describe the gadget %1").arg(m_name);
        return false;
    }
    const QString link = config + QStringLiteral("/ffs.") + m_name;
    if (!QFile::exists(link) && ::symlink(function.toLocal8Bit().constData(), link.toLocal8Bit().constData()) != 0) {
        *error = QStringLiteral("cannot add the function to %1: %2").arg(m_name, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    dir.mkpath(m_mount);
    if (::mount(m_name.toLocal8Bit().constData(), m_mount.toLocal8Bit().constData(), "functionfs", 0, nullptr) != 0) {
        *error = QStringLiteral("cannot mount the FunctionFS of %1: %2").arg(m_name, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

bool GadgetBus::bind()
{
    if (m_bound)
        return true;
    m_bound = write(m_dir + QStringLiteral("/UDC"), m_udc);
    return m_bound;
}

bool GadgetBus::unbind()
{
    if (!m_bound)
        return true;
    m_bound = !write(m_dir + QStringLiteral("/UDC"), QString());
    return !m_bound;
}

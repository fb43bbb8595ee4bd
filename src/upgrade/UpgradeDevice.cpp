#include "upgrade/UpgradeDevice.h"

#include "upgrade/MassStorageTransport.h"

#include <atomic>
#include <mutex>

namespace {

// Held by the watcher through one search and its report, and by an upgrade while it
// begins: a report is either made before an upgrade began or not at all.
std::mutex g_watchMutex;
std::atomic<int> g_upgrades{0};

// More attempts than drives: each failed claim leaves one drive fewer to find.
constexpr int kClaimAttempts = 'Z' - 'D' + 2;

} // namespace

UpgradeDevice::UpgradeDevice(int manufacturer)
    : m_manufacturer(manufacturer)
{
    std::lock_guard<std::mutex> lock(g_watchMutex);
    ++g_upgrades;
}

UpgradeDevice::~UpgradeDevice()
{
    release();
    std::lock_guard<std::mutex> lock(g_watchMutex);
    --g_upgrades;
}

void UpgradeDevice::release()
{
    m_volume.reset();
    if (!m_drive.isNull())
        releaseUpgradeDrive(m_drive);
    m_drive = QChar();
}

bool UpgradeDevice::find(int &state)
{
    release();
    if (!m_onlyDrive.isNull() || !m_passBy.isEmpty())
        return findNarrowed(state);
    for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
        QChar letter;
        std::shared_ptr<platform::Volume> volume = findUpgradeDevice(m_manufacturer, state, &letter);
        if (!volume)
            return false;
        // Another upgrade may have claimed the drive since the search passed it.
        if (claimUpgradeDrive(letter)) {
            m_volume = std::move(volume);
            m_drive = letter;
            return true;
        }
    }
    state = NotFound;
    return false;
}

void UpgradeDevice::confineToDrive(QChar letter)
{
    m_onlyDrive = letter.toUpper();
}

void UpgradeDevice::passBy(const QSet<QChar> &letters)
{
    m_passBy.clear();
    for (const QChar letter : letters)
        m_passBy.insert(letter.toUpper());
}

QSet<QChar> UpgradeDevice::cameraDrives(int manufacturer)
{
    QSet<QChar> letters;
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        int state = NotFound;
        // Another upgrade's drive is its camera's, and is left alone.
        if (upgradeDriveClaimed(QLatin1Char(letter))
            || findUpgradeDevice(manufacturer, state, nullptr, QLatin1Char(letter)))
            letters.insert(QLatin1Char(letter));
    }
    return letters;
}

bool UpgradeDevice::findNarrowed(int &state)
{
    // The same order, D to Z, over the drives this upgrade may take.
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        const QChar drive = QLatin1Char(letter);
        if ((!m_onlyDrive.isNull() && drive != m_onlyDrive) || m_passBy.contains(drive) || upgradeDriveClaimed(drive))
            continue;
        std::shared_ptr<platform::Volume> volume = findUpgradeDevice(m_manufacturer, state, nullptr, drive);
        if (volume && claimUpgradeDrive(drive)) {
            m_volume = std::move(volume);
            m_drive = drive;
            return true;
        }
    }
    state = NotFound;
    return false;
}

bool UpgradeDevice::findAgain(int &state)
{
    if (!isBound()) {
        state = NotFound;
        return false;
    }
    // The handle of the earlier enumeration is dead; the drive stays claimed meanwhile.
    m_volume = findUpgradeDevice(m_manufacturer, state, nullptr, m_drive);
    return m_volume != nullptr;
}

bool UpgradeDevice::upgradeInProgress()
{
    return g_upgrades.load() > 0;
}

bool UpgradeDevice::watch(int manufacturer, const std::function<void(int state)> &found)
{
    std::lock_guard<std::mutex> lock(g_watchMutex);
    if (g_upgrades.load() > 0)
        return false;
    int state = NotFound;
    if (!findUpgradeDevice(manufacturer, state) || state == NotFound)
        return false;
    if (found)
        found(state);
    return true;
}

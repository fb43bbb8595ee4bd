#include "ui/ValueNotice.h"

#include "core/NoticeTexts.h"
#include "platform/Clock.h"

#include <QDebug>

#include <utility>

namespace {

constexpr int kShowDelayMs = 500;
constexpr int kHoldMs = 1500;

} // namespace

ValueNotice::ValueNotice(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
{
}

void ValueNotice::noteRefused(const char *what, int value)
{
    qWarning() << "The camera did not take the" << what << "value; it keeps" << value;
    if (m_services.cameraOpen() && !m_pending)
        schedule(notices::settingTimeout());
}

void ValueNotice::noteNotTaken()
{
    if (checksValues() && !m_pending)
        schedule(notices::valueNotTaken());
}

bool ValueNotice::checksValues() const
{
    return m_services.cameraOpen() && !m_services.previewRunning();
}

void ValueNotice::showNow(const QString &text, bool countdown)
{
    m_services.showMessageBox(text, countdown);
}

void ValueNotice::schedule(const QString &text)
{
    m_pending = true;
    m_holdOver = false;
    m_text = text;
    platform::singleShot(kHoldMs, this, [this] { endHold(); });
    platform::singleShot(kShowDelayMs, this, [this] { openScheduled(); });
}

void ValueNotice::openScheduled()
{
    const QString text = m_text.isEmpty() ? notices::valueNotTaken() : m_text;
    // Scheduled or showing, the one notice keeps the window shut: the refresh below
    // and whatever runs while the notice is open schedule no other.
    m_pending = true;
    m_showing = true;
    emit aboutToOpen();
    showNow(text, true);
    m_showing = false;
    if (m_holdOver)
        m_pending = false;
}

void ValueNotice::endHold()
{
    m_holdOver = true;
    if (!m_showing)
        m_pending = false;
}

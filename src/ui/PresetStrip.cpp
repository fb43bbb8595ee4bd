#include "ui/PresetStrip.h"

#include "core/NoticeTexts.h"
#include "core/SettingsStore.h"
#include "camera/OpenCamera.h"
#include "camera/PresetStore.h"
#include "platform/Clock.h"
#include "ui/ValueNotice.h"

#include <QBoxLayout>
#include <QDebug>
#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>
#include <QWidget>

#include <utility>

PresetStrip::PresetStrip(QWidget *pad, OpenCamera &camera, ValueNotice &notice, Services services)
    : m_camera(camera)
    , m_notice(notice)
    , m_services(std::move(services))
{
    QWidget *column = pad->parentWidget();
    m_row = new QWidget(column);
    m_row->setObjectName(QStringLiteral("widgetPresetStrip"));
    auto *layout = new QHBoxLayout(m_row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    for (int number = 1; number <= PresetStore::kCount; ++number) {
        auto *b = new QToolButton(m_row);
        b->setObjectName(QStringLiteral("btnPreset%1").arg(number));
        b->setText(QString::number(number));
        b->setFixedSize(24, 24);
        // The keys belong to the camera: the buttons never take the focus from the window.
        b->setFocusPolicy(Qt::NoFocus);
        b->setProperty("stored", false);
        b->installEventFilter(this);
        connect(b, &QToolButton::pressed, this, [this, number] { pressed(number); });
        connect(b, &QToolButton::released, &m_longPress, &QTimer::stop);
        connect(b, &QToolButton::clicked, this, [this, number] { clicked(number); });
        layout->addWidget(b);
        m_buttons.append(b);
        m_stored.append(false);
    }
    if (auto *columnLayout = column ? qobject_cast<QBoxLayout *>(column->layout()) : nullptr)
        columnLayout->insertWidget(columnLayout->indexOf(pad) + 1, m_row, 0, Qt::AlignHCenter);
    m_row->installEventFilter(this);

    m_longPress.setSingleShot(true);
    connect(&m_longPress, &QTimer::timeout, this, &PresetStrip::longPressed);
    retranslate();
}

PresetStrip::~PresetStrip() = default;

QToolButton *PresetStrip::button(int number) const
{
    return PresetStore::isNumber(number) ? m_buttons.at(number - 1) : nullptr;
}

void PresetStrip::setEnabled(bool enable)
{
    if (m_row)
        m_row->setEnabled(enable);
}

// ---- the buttons --------------------------------------------------------------------------

bool PresetStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_row && event->type() == QEvent::LanguageChange) {
        retranslate();
    } else if (event->type() == QEvent::MouseButtonPress) {
        // The click that follows tells recall from save by the press's modifiers.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_ctrlPress = mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ControlModifier);
    }
    return QObject::eventFilter(watched, event);
}

void PresetStrip::pressed(int number)
{
    m_pressedNumber = number;
    m_longPressDone = false;
    platform::startTimer(m_longPress, kLongPressMs);
}

void PresetStrip::longPressed()
{
    m_longPressDone = true;
    qDebug() << "preset button held:" << m_pressedNumber;
    save(m_pressedNumber);
}

void PresetStrip::clicked(int number)
{
    m_longPress.stop();
    const bool ctrl = std::exchange(m_ctrlPress, false);
    if (std::exchange(m_longPressDone, false))
        return;
    if (ctrl)
        save(number);
    else
        recall(number);
}

void PresetStrip::retranslate()
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        const int number = i + 1;
        m_buttons.at(i)->setToolTip(
            m_stored.at(i) ? tr("Preset %1: click or press %1 to go there.\n"
                                "Ctrl+click, Ctrl+%1 or a long press saves the current position here.")
                                 .arg(number)
                           : tr("Preset %1 is empty.\n"
                                "Ctrl+click, Ctrl+%1 or a long press saves the current position here.")
                                 .arg(number));
    }
}

void PresetStrip::refresh()
{
    const QString key = m_services.cameraOpen() ? m_camera.presetKey() : QString();
    QMap<int, PositionPreset> presets;
    if (!key.isEmpty()) {
        SettingsStore settings;
        presets = PresetStore(settings).all(key);
        qDebug() << "presets of" << key << ":" << presets.keys();
    }
    for (int i = 0; i < m_buttons.size(); ++i) {
        const bool stored = presets.contains(i + 1);
        m_stored[i] = stored;
        QToolButton *b = m_buttons.at(i);
        if (b->property("stored").toBool() == stored)
            continue;
        // The style sheets tell a stored preset from an empty one by this property.
        b->setProperty("stored", stored);
        b->style()->unpolish(b);
        b->style()->polish(b);
    }
    retranslate();
}

// ---- going there and saving -------------------------------------------------------------

bool PresetStrip::refused(PresetOutcome outcome)
{
    switch (outcome) {
    case PresetOutcome::Done:
    case PresetOutcome::Empty:
        return false;
    case PresetOutcome::TrackingOn:
        m_notice.showNow(tr("The position presets cannot be used while AI Tracking is on."), true);
        break;
    case PresetOutcome::NoMotion:
        m_notice.showNow(tr("This camera cannot pan, tilt or zoom, so it has no position presets."), true);
        break;
    case PresetOutcome::NoAnswer:
        m_notice.showNow(notices::settingTimeout(), false);
        break;
    case PresetOutcome::NotTaken:
        m_notice.showNow(notices::valueNotTaken(), true);
        break;
    }
    return true;
}

void PresetStrip::recall(int number)
{
    if (!m_services.cameraOpen() || !PresetStore::isNumber(number))
        return;
    const QString key = m_camera.presetKey();
    SettingsStore settings;
    const std::optional<PositionPreset> preset = key.isEmpty() ? std::nullopt : PresetStore(settings).preset(key, number);
    if (!preset) {
        qDebug() << "preset" << number << "holds nothing";
        return;
    }
    const CameraPropertyState before = m_camera.properties();
    const PresetOutcome outcome = recallPreset(m_camera, *preset);
    // Whatever part of the move was made, the controls show where the camera is now.
    if (outcome == PresetOutcome::Done || outcome == PresetOutcome::NotTaken || outcome == PresetOutcome::NoAnswer)
        m_services.showPosition(before);
    refused(outcome);
}

void PresetStrip::save(int number)
{
    if (!m_services.cameraOpen() || !PresetStore::isNumber(number))
        return;
    const QString key = m_camera.presetKey();
    if (key.isEmpty()) {
        qWarning() << "preset" << number << "not saved: the camera has neither serial number nor path";
        return;
    }
    PositionPreset preset;
    if (refused(savePreset(m_camera, &preset)))
        return;
    SettingsStore settings;
    PresetStore(settings).store(key, number, preset);
    refresh();
}

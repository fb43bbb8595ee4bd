#pragma once
#include <QObject>
#include <QString>

#include <functional>

// The control panel's notices about values: one delayed notice for a burst of values the
// camera did not take or refused, and the notices shown at once. A scheduled notice keeps
// the window shut until both its 1500 ms have passed and it has been closed, so that a
// notice never opens behind another.
class ValueNotice : public QObject
{
    Q_OBJECT
public:
    // What the notice asks of the window around it.
    struct Services
    {
        std::function<bool()> cameraOpen;
        std::function<bool()> previewRunning;
        std::function<void(const QString &text, bool countdown)> showMessageBox;
    };

    ValueNotice(Services services, QObject *parent);

    // A write the camera refused (the control shows the camera's value again): logged,
    // and one notice for the burst while a camera is open.
    void noteRefused(const char *what, int value);
    // A value the camera acknowledged but did not keep: one notice for the burst while a
    // camera is open and does not stream.
    void noteNotTaken();
    // Whether values read back are worth a notice now (a camera open, not streaming).
    bool checksValues() const;
    // A notice shown right away, beside the delayed one.
    void showNow(const QString &text, bool countdown);
    bool pending() const { return m_pending; }

    // The scheduled notice opens (500 ms after the first value of the burst).
    void openScheduled();
    // The 1500 ms of the burst have passed.
    void endHold();

signals:
    // Right before the scheduled notice opens: the controls go back to the camera's values.
    void aboutToOpen();

private:
    void schedule(const QString &text);

    const Services m_services;
    bool m_pending = false;
    // The notice is open, and whether its 1500 ms have passed: a notice that is still
    // open holds the window shut even after them, whichever of its two timers fires
    // first.
    bool m_showing = false;
    bool m_holdOver = false;
    QString m_text;
};

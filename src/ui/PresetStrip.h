#pragma once
#include "camera/CameraPropertyState.h"
#include "camera/PresetMotion.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class OpenCamera;
class QToolButton;
class QWidget;
class ValueNotice;

// The row of nine position-preset buttons under the pan/tilt pad. A click goes to the
// preset; Ctrl+click or holding the button saves the camera's position there. A preset
// that holds nothing looks empty. The row lives in the pad's own column, built here.
class PresetStrip : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLongPressMs = 600;

    struct Services
    {
        std::function<bool()> cameraOpen;
        // After a recall: the controls show the camera's values (properties as they
        // were before the recall, to compare with).
        std::function<void(const CameraPropertyState &before)> showPosition;
    };

    // The row is placed right below pad, in pad's parent layout.
    PresetStrip(QWidget *pad, OpenCamera &camera, ValueNotice &notice, Services services);
    ~PresetStrip() override;

    // Goes to preset number (1..9); a preset that holds nothing does nothing.
    void recall(int number);
    // Saves the camera's position as preset number (1..9).
    void save(int number);
    // Shows which presets of the open camera hold something (none without a camera).
    void refresh();
    void setEnabled(bool enable);

    QWidget *widget() const { return m_row; }
    QToolButton *button(int number) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pressed(int number);
    void clicked(int number);
    void longPressed();
    void retranslate();
    bool refused(PresetOutcome outcome);

    OpenCamera &m_camera;
    ValueNotice &m_notice;
    const Services m_services;
    QPointer<QWidget> m_row;
    QList<QToolButton *> m_buttons;
    QList<bool> m_stored;
    QTimer m_longPress;
    int m_pressedNumber = 0;
    // The press held Ctrl, or lasted long enough to save: its click does not recall.
    bool m_ctrlPress = false;
    bool m_longPressDone = false;
};

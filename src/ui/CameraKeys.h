#pragma once
#include <QObject>

#include <functional>

class QAbstractButton;
class QKeyEvent;
class QSlider;
class QWidget;

// The keyboard aims the camera while the main window has the focus: the arrow keys press
// the pad's arrows, + and - move the zoom slider by a page, Home goes to the home
// position, 1 to 9 recall a position preset and Ctrl+1 to Ctrl+9 save one. A text field,
// a list, a list's popup or a dialog keeps its keys.
class CameraKeys : public QObject
{
    Q_OBJECT
public:
    struct Widgets
    {
        QWidget *window = nullptr;
        QAbstractButton *btnCameraUp = nullptr;
        QAbstractButton *btnCameraDown = nullptr;
        QAbstractButton *btnCameraLeft = nullptr;
        QAbstractButton *btnCameraRight = nullptr;
        QSlider *sliderZoom = nullptr;
        // Hidden while AI tracking frames by itself: pad, zoom and Home do nothing then.
        QWidget *widgetTrackOff = nullptr;
    };
    struct Actions
    {
        std::function<void()> home;
        std::function<void(int number)> recall;
        std::function<void(int number)> save;
    };

    // Watches the application's key presses for as long as it lives.
    CameraKeys(const Widgets &widgets, Actions actions, QObject *parent);
    ~CameraKeys() override;

    // Whether a key pressed on this widget may aim the camera.
    bool keysFree(QObject *receiver) const;
    // Acts on one key press; true when the key is the camera's.
    bool handleKey(const QKeyEvent &event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool padShown() const;

    const Widgets ui;
    const Actions m_actions;
};

#pragma once
#include "camera/CameraPropertyState.h"

#include <QList>
#include <QObject>

#include <functional>

class OpenCamera;
class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QWidget;
class ValueNotice;

// Focus and the image sliders of the Controls page, with their Auto boxes and the
// default-colour button. Each change goes to the camera; what the camera does not take
// shows again and leads to one notice.
class ImageControls : public QObject
{
    Q_OBJECT
public:
    struct ImageWidgets
    {
        QPushButton *btnAutoFocus = nullptr;
        QSlider *sliderFocus = nullptr;
        QWidget *widgetAFocus = nullptr;
        QWidget *widgetMFocus = nullptr;
        QSlider *sliderBrightness = nullptr;
        QSlider *sliderContract = nullptr;
        QSlider *sliderHue = nullptr;
        QSlider *sliderSaturation = nullptr;
        QSlider *sliderSharpness = nullptr;
        QSlider *sliderWhiteBalance = nullptr;
        QLabel *labelBrightnessValue = nullptr;
        QLabel *labelContractValue = nullptr;
        QLabel *labelHueValue = nullptr;
        QLabel *labelSaturationValue = nullptr;
        QLabel *labelSharpnessValue = nullptr;
        QLabel *labelWhiteBalance = nullptr;
        QCheckBox *checkBoxBrigtness = nullptr;
        QCheckBox *checkBoxContract = nullptr;
        QCheckBox *checkBoxHue = nullptr;
        QCheckBox *checkBoxSaturation = nullptr;
        QCheckBox *checkBoxSharpness = nullptr;
        QCheckBox *checkBoxWB = nullptr;
        QPushButton *btnDefaultColor = nullptr;
    };

    ImageControls(const ImageWidgets &widgets, OpenCamera &camera, ValueNotice &notice,
                  std::function<bool()> cameraOpen, QObject *parent);

    // The focus slider's value goes to the camera.
    void sendFocus(int value);
    // The autofocus switch was clicked.
    void toggleAutoFocus();
    int autoFocusMode() const { return m_autoFocusState; }
    // An image slider's value (by property id) goes to the camera.
    void sendImageValue(int id, int value);
    // An Auto box (by property id) was switched.
    void switchAutoMode(int id);
    void restoreDefaultColours();

    // Ranges, values and modes of focus and the image properties just read from the
    // camera into the controls; focusControls: the camera has focus at all.
    void loadFromCamera(bool focusControls);
    // The controls whose values differ from before (all when forced) show the camera's
    // values; focus only on the cameras whose focus the window shows (models 0 and 5).
    void refreshFromCamera(const CameraPropertyState &before, int model, bool force);
    // Sliders, Auto boxes and the default-colour button; resetToMinimum puts the sliders
    // at their lowest (no camera to show).
    void enableRows(bool enable, bool resetToMinimum);
    void enableColour(bool enable);
    void hideFocusRows();

signals:
    // After an Auto box: everything is read from the camera again.
    void reloadRequested();
    // After the defaults: the controls show what the camera holds.
    void refreshRequested();

private:
    // One image property: its slider, value label, Auto box and property id.
    struct ImageRow
    {
        QSlider *slider;
        QLabel *label;
        QCheckBox *autoBox;
        CameraPropertyState::Property CameraPropertyState::*member;
        int id;
        CameraPropertyState::Property &property(CameraPropertyState &state) const { return state.*member; }
    };
    const ImageRow &imageRow(int id) const;
    void setImageValue(const ImageRow &row, int value);
    void checkImageValue(int id, int sent);
    void setImageAuto(const ImageRow &row, bool automatic);
    void showWhiteBalanceAuto(bool automatic);

    const ImageWidgets ui;
    OpenCamera &m_camera;
    ValueNotice &m_notice;
    const std::function<bool()> m_cameraOpen;
    QList<ImageRow> m_imageRows;
    int m_autoFocusState = 0;
};

#include "ui/MainWindow.h"

#include "platform/Backend.h"
#include "ui/CameraKeys.h"
#include "ui/FramelessWindow.h"
#include "ui/PreviewAim.h"
#include "ui/PreviewVisibility.h"
#include "ui/TitleBar.h"
#include "ui/dialogs/DialogPlacement.h"
#include "ui/dialogs/FormCustomizeMessagebox.h"

#include "ui_MainWindow.h"

#include <QMouseEvent>
#include <QMovie>

// What the window hands its pieces (their widgets from the form) and the services they
// ask of it; the frame and the title bar's buttons, which the pieces serve.

// ---- the pieces' widgets ------------------------------------------------------------------

ControlPanel::Widgets MainWindow::controlPanelWidgets() const
{
    ControlPanel::Widgets w;
    w.btn65 = ui->btn65;
    w.btn78 = ui->btn78;
    w.btn90 = ui->btn90;
    w.btnAutoAE = ui->btnAutoAE;
    w.btnAutoFocus = ui->btnAutoFocus;
    w.btnCameraDown = ui->btnCameraDown;
    w.btnCameraLeft = ui->btnCameraLeft;
    w.btnCameraRight = ui->btnCameraRight;
    w.btnCameraUp = ui->btnCameraUp;
    w.btnDefaultColor = ui->btnDefaultColor;
    w.btnGestureControl = ui->btnGestureControl;
    w.btnHD = ui->btnHD;
    w.btnHDR = ui->btnHDR;
    w.btnMirror = ui->btnMirror;
    w.btnMute = ui->btnMute;
    w.checkBoxBrigtness = ui->checkBoxBrigtness;
    w.checkBoxContract = ui->checkBoxContract;
    w.checkBoxHue = ui->checkBoxHue;
    w.checkBoxSaturation = ui->checkBoxSaturation;
    w.checkBoxSharpness = ui->checkBoxSharpness;
    w.checkBoxWB = ui->checkBoxWB;
    w.comboBoxAntiFlicker = ui->comboBoxAntiFlicker;
    w.comboBoxTrackEffect = ui->comboBoxTrackEffect;
    w.comboBoxTrackMode = ui->comboBoxTrackMode;
    w.comboBoxTrackSpeend = ui->comboBoxTrackSpeend;
    w.labelBrightnessValue = ui->labelBrightnessValue;
    w.labelContractValue = ui->labelContractValue;
    w.labelHueValue = ui->labelHueValue;
    w.labelSaturationValue = ui->labelSaturationValue;
    w.labelSharpnessValue = ui->labelSharpnessValue;
    w.labelWhiteBalance = ui->labelWhiteBalance;
    w.label_16 = ui->label_16;
    w.label_17 = ui->label_17;
    w.sliderBrightness = ui->sliderBrightness;
    w.sliderContract = ui->sliderContract;
    w.sliderFocus = ui->sliderFocus;
    w.sliderHue = ui->sliderHue;
    w.sliderSaturation = ui->sliderSaturation;
    w.sliderSharpness = ui->sliderSharpness;
    w.sliderWhiteBalance = ui->sliderWhiteBalance;
    w.sliderZoom = ui->sliderZoom;
    w.widgetAFocus = ui->widgetAFocus;
    w.widgetAngle = ui->widgetAngle;
    w.widgetAutoAE = ui->widgetAutoAE;
    w.widgetDirectionBg = ui->widgetDirectionBg;
    w.widgetGestureControl = ui->widgetGestureControl;
    w.widgetHD = ui->widgetHD;
    w.widgetMFocus = ui->widgetMFocus;
    w.widgetTrackOff = ui->widgetTrackOff;
    w.widget_11 = ui->widget_11;
    w.widget_12 = ui->widget_12;
    return w;
}

UpgradeFlow::Widgets MainWindow::upgradeFlowWidgets() const
{
    UpgradeFlow::Widgets w;
    w.btnUpgrade = ui->btnUpgrade;
    w.btnRestoreDefaults = ui->btnRestoreDefaults;
    w.progressBarUpdate = ui->progressBarUpdate;
    w.btnNavSupport = ui->btnNavSupport;
    return w;
}

Theme::Widgets MainWindow::themeWidgets() const
{
    Theme::Widgets w;
    w.labelHyperlinksApp = ui->labelHyperlinksApp;
    w.labelHyperlinksQuickStartGuide = ui->labelHyperlinksQuickStartGuide;
    w.labelHyperlinksContactSupport = ui->labelHyperlinksContactSupport;
    w.labelDevInfo = ui->labelDevInfo;
    w.labelDevUpdate = ui->labelDevUpdate;
    w.labelDevSupport = ui->labelDevSupport;
    w.labelloading = ui->labelloading;
    w.listWidgetCamera = ui->listWidgetCamera;
    w.widgetTitleBar = ui->widgetTitleBar;
    return w;
}

void MainWindow::installCameraInput()
{
    ControlPanel *controls = m_controls;
    CameraKeys::Widgets keys;
    keys.window = this;
    keys.btnCameraUp = ui->btnCameraUp;
    keys.btnCameraDown = ui->btnCameraDown;
    keys.btnCameraLeft = ui->btnCameraLeft;
    keys.btnCameraRight = ui->btnCameraRight;
    keys.sliderZoom = ui->sliderZoom;
    keys.widgetTrackOff = ui->widgetTrackOff;
    m_keys = new CameraKeys(keys,
                            CameraKeys::Actions{[controls] { controls->goHome(); },
                                                [controls](int number) { controls->presets().recall(number); },
                                                [controls](int number) { controls->presets().save(number); }},
                            this);

    PreviewAim::Widgets preview;
    preview.labPreview = ui->labPreview;
    preview.sliderZoom = ui->sliderZoom;
    preview.widgetTrackOff = ui->widgetTrackOff;
    m_previewAim = new PreviewAim(preview,
                                  PreviewAim::Actions{[controls] { return controls->fieldOfViewDegrees(); },
                                                      [controls](int pan, int tilt) { controls->panTiltBy(pan, tilt); }},
                                  this);

    // Pictures nobody can see are not decoded; the camera streams on.
    m_previewVisibility =
        new PreviewVisibility(ui->labPreview, ui->stackedWidgetMain, platform::backend().screenLock(), this);
}

// ---- frame, title bar, theme and language ----------------------------------------------

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    m_frame->mousePress(event);
    QMainWindow::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    m_frame->mouseMove(event);
    QMainWindow::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    m_frame->mouseRelease(event);
    QMainWindow::mouseReleaseEvent(event);
}

void MainWindow::on_btnModeLight_clicked()
{
    m_theme->on_btnModeLight_clicked();
}

void MainWindow::on_btnLanguage_clicked()
{
    m_language->on_btnLanguage_clicked();
}

// ---- notices ------------------------------------------------------------------------------

void MainWindow::showMessageBox(const QString &text, bool autoClose)
{
    FormCustomizeMessagebox box(text, 0, autoClose);
    box.setAttribute(Qt::WA_ShowModal, true);
    execCentred(box, this, QSize(450, 180));
}

void MainWindow::showRestartNotice(const QString &text)
{
    FormCustomizeMessagebox box(text, 0, true);
    execCentred(box, this);
}

bool MainWindow::isUpgrading() const
{
    return m_upgrade && m_upgrade->isUpgrading();
}

bool MainWindow::hasAbnormalWatcher() const
{
    return m_upgrade && m_upgrade->hasAbnormalWatcher();
}

void MainWindow::stopStatusPoll()
{
    m_statusTimer.stop();
    disconnect(&m_statusTimer, nullptr, nullptr, nullptr);
}

bool MainWindow::refuseWhileUpgrading()
{
    return m_upgrade && m_upgrade->refuseWhileUpgrading();
}

QMovie *MainWindow::loadingMovie(bool light) const
{
    return light ? m_loadingMovieLight : m_loadingMovieDark;
}

void MainWindow::restyleDirectionPad()
{
    if (m_controls)
        m_controls->restyleDirectionPad();
}

OpenCamera *MainWindow::servedCamera()
{
    return m_bCameraOpen ? &m_camera : nullptr;
}

void MainWindow::servedPresetsChanged()
{
    if (m_controls)
        m_controls->presets().refresh();
}

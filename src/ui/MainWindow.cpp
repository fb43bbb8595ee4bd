#include "ui/MainWindow.h"

#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifier.h"
#include "preview/VideoStreamThread.h"
#include "catalogue/Catalogue.h"
#include "core/SharedTexts.h"
#include "ui/FramelessWindow.h"
#include "ui/MaskWidget.h"
#include "ui/TitleBar.h"
#include "ui/DeviceChangeFilter.h"
#include "ui/WindowSizing.h"

#include "ui_MainWindow.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QListWidgetItem>
#include <QMouseEvent>
#include <QMovie>
#include <QResizeEvent>
#include <QScreen>
#include <QThread>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#ifdef Q_OS_WIN
#include "platform/windows/WindowsDeviceBroadcast.h"

#include <windows.h>
#include <dbt.h>
#endif

namespace {

constexpr int kPreviewStartDelayMs = 1000;
// Columns beside the preview (camera list, control column, margins) take this width.
constexpr int kColumnBudget = 786;

const char kCameraIconStyle[] = "background-image:url(:/qss/light/camera_disable.png)";
const char kCameraIconHoverStyle[] = "background-image:url(:/qss/light/camera_disable-hover.png)";
const char kStopIconStyle[] = "background-image:url(:/qss/light/icon-stop.png)";
const char kStopIconHoverStyle[] = "background-image:url(:/qss/light/icon-stop-hover.png)";

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Orvia Vista Cam"));
    m_frame = new FramelessWindow(this, ui->widgetTitleBar);
    m_theme = new Theme(*this, themeWidgets());
    m_language = new LanguageSwitch(*this);
    connect(m_frame, &FramelessWindow::pressed, m_language, &LanguageSwitch::hideChooser);

    m_navButtons = {ui->btnNavControl, ui->btnNavSupport};
    m_pageButtons = {ui->btnVideoControl, ui->btnColorControl};
    m_controls = new ControlPanel(*this, controlPanelWidgets(), m_camera);
    installCameraInput();
    m_upgrade = new UpgradeFlow(*this, upgradeFlowWidgets(), m_camera);

    // Rows the open camera may not support stay hidden until it has been read.
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->labelHDR_3, ui->btnHDR, ui->widget_14, ui->labelAuto, ui->checkBoxBrigtness,
             ui->checkBoxContract, ui->checkBoxHue, ui->checkBoxSaturation, ui->checkBoxSharpness,
             ui->widgetAngle, ui->widgetMFocus, ui->widget_11, ui->widget_12, ui->widgetAutoAE,
             ui->widgetMirror, ui->widgetGestureControl})
        w->hide();

    applyWindowScale(true);
    initUi();

    for (QToolButton *button : qAsConst(m_navButtons)) {
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        connect(button, &QToolButton::clicked, this, &MainWindow::buttonClickedNavTop);
    }
    ui->btnNavControl->click();
    for (QToolButton *button : qAsConst(m_pageButtons)) {
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        connect(button, &QToolButton::clicked, this, &MainWindow::buttonColorControl);
    }
    ui->btnVideoControl->click();

    // The overlay that dims this window while one of the three dialogs is open.
    MaskWidget::instance()->setMainWidget(this);
    MaskWidget::instance()->setDialogNames({QStringLiteral("FormUpgrade"), QStringLiteral("FormAbnormal"),
                                            QStringLiteral("FormCustomizeMessagebox")});

    readSettings();
    m_remote = new RemoteControlOption({ui->checkRemoteControl, ui->labelRemoteControl}, *this, this);
    m_remote->restore();
    connect(this, &MainWindow::onCameraPlugged, this, &MainWindow::slotOnCameraPlugged);
    registerDeviceNotifications();
    connect(this, &MainWindow::onCameraState, this, &MainWindow::slotOnCameraState);
    connect(ui->listWidgetCamera, &QListWidget::itemClicked, this, &MainWindow::slotSwitchCameraItem);
    connect(ui->listWidgetCamera, &QListWidget::currentItemChanged, this,
            &MainWindow::slotIconChangge);
    // Before the first opening: a failed request of the first camera must re-open its
    // channel too.
    connect(&m_camera.extensionUnit(), &UVCExtensionUnit::reInitUvc, this, &MainWindow::slotReInitUvcEx);

    m_captureName.clear();
    loadCameras();
    m_upgrade->startAbnormalWatcher();

    if (m_storedLeft != 0 && m_storedTop != 0 && m_storedWidth != 0 && m_storedHeight != 0)
        qDebug() << "Set the last display position of the window.";
    else
        qDebug() << "Set the default display position of the window.";

    m_theme->applyTheme(m_styleIndex);
    centreOnCursorScreen();

    // A screen that changes its size (or a new one) re-runs the size rule.
    const auto watchScreen = [this](QScreen *screen) {
        connect(screen, &QScreen::geometryChanged, this, &MainWindow::slotResolutionChange);
    };
    for (QScreen *screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, watchScreen);
}

MainWindow::~MainWindow()
{
    // A window torn down without a close (an exit code from the event loop, a test)
    // must still end its workers: a running QThread must not be destroyed.
    if (m_bCameraOpen || m_videoThread)
        closeCamera();
    // The flow's workers end before the window's channels go.
    delete m_upgrade;
    m_upgrade = nullptr;
    delete m_remote;
    m_remote = nullptr;
    delete ui;
}
// ---- settings and window set-up ---------------------------------------------------------

void MainWindow::readSettings()
{
    const SettingsStore settings;
    m_productLine = settings.value(QStringLiteral("/product_model/main")).toInt();
    const Manufacturer manufacturer = manufacturerLookup(m_productLine);
    qInfo() << "credit manufacturer:" << manufacturer.name;
    m_vendorId = static_cast<int>(manufacturer.vendorId);

    m_storedLeft = settings.value(QStringLiteral("/window/left")).toInt();
    m_storedTop = settings.value(QStringLiteral("/window/top")).toInt();
    m_storedWidth = settings.value(QStringLiteral("/window/width")).toInt();
    m_storedHeight = settings.value(QStringLiteral("/window/height")).toInt();
    qInfo() << "pre main window pos:"
            << QStringLiteral("%1 %2 %3 %4")
                   .arg(m_storedLeft)
                   .arg(m_storedTop)
                   .arg(m_storedWidth)
                   .arg(m_storedHeight);

    m_styleIndex = settings.value(QStringLiteral("/style/index")).toInt();
    qInfo() << "pre ui style:" << m_styleIndex;
}

void MainWindow::saveSettings()
{
    SettingsStore settings;
    const QRect frame = frameGeometry();
    settings.setValue(QStringLiteral("/window/left"), QString::number(frame.x()));
    settings.setValue(QStringLiteral("/window/top"), QString::number(frame.y()));
    settings.setValue(QStringLiteral("/window/width"), QString::number(frame.width()));
    settings.setValue(QStringLiteral("/window/height"), QString::number(frame.height()));
    settings.setValue(QStringLiteral("/style/index"), QString::number(m_styleIndex));
    settings.sync();
}

void MainWindow::initUi()
{
    fillOptionBoxes();

    m_theme->updateLanguageButton();

    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->labelDevInfo, ui->labelDevUpdate, ui->labelDevSupport, ui->labelHyperlinksApp,
             ui->labelHyperlinksQuickStartGuide, ui->labelHyperlinksContactSupport, ui->labPreview,
             ui->labelCamera, ui->labelStop})
        w->installEventFilter(this);

    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{
             ui->btnDevInfoExtend, ui->btnDevUpdateExtend, ui->btnDevSupportExtend})
        b->setCheckable(true);

    for (QWidget *w : {ui->labelDevUpdate, ui->labelDevSupport, ui->labelDevInfo})
        w->setAttribute(Qt::WA_Hover, true);

    for (QWidget *w : std::initializer_list<QWidget *>{ui->btnUpgrade, ui->btnRestoreDefaults,
                                                       ui->btnDefaultColor, ui->btnNavControl})
        w->adjustSize();

    ui->progressBarUpdate->setRange(0, 100);
    ui->progressBarUpdate->setValue(0);
    ui->progressBarUpdate->hide();

    for (QLabel *l : {ui->labelHyperlinksApp, ui->labelHyperlinksQuickStartGuide,
                      ui->labelHyperlinksContactSupport}) {
        l->setOpenExternalLinks(true);
        l->setAttribute(Qt::WA_Hover, true);
    }

    ui->labelAppVer->setText(QStringLiteral("V%1.%2.%3")
                                 .arg(LENSDESK_VERSION_MAJOR)
                                 .arg(LENSDESK_VERSION_MINOR)
                                 .arg(LENSDESK_VERSION_PATCH));

    ui->listWidgetCamera->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->listWidgetCamera->setIconSize(QSize(66, 36));
    m_selectedIcon.addFile(QStringLiteral(":/qss/light/Arbor-icon.png"), QSize(66, 36),
                           QIcon::Selected);

    ui->labelloading->setScaledContents(true);
    m_loadingMovieLight = new QMovie(QStringLiteral(":/qss/light/loading.gif"), QByteArray(), this);
    m_loadingMovieDark = new QMovie(QStringLiteral(":/qss/dark/loading.gif"), QByteArray(), this);
    m_loadingMovieLight->setSpeed(300);
    m_loadingMovieDark->setSpeed(300);
    ui->labelloading->setMovie(m_loadingMovieLight);
    ui->labelloading->setStyleSheet(QStringLiteral("border:0px"));

    for (QLabel *l : {ui->labelCamera, ui->labelStop}) {
        l->setStyleSheet(QStringLiteral("border:0px"));
        l->setAttribute(Qt::WA_Hover, true);
    }
    ui->labPreview->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    ui->labPreview->setAttribute(Qt::WA_Hover, true);

    m_theme->applyTheme(m_styleIndex);
    setControlsEnabled(false);
}

void MainWindow::applyWindowScale(bool setMinimum)
{
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return;
    // The toolkit reports the logical size; the physical one is that times the ratio.
    const int sw = primary->size().width();
    const int sh = primary->size().height();
    const qreal ratio = primary->devicePixelRatio();
    const int W = qRound(sw * ratio);
    const int H = qRound(sh * ratio);

    if (setMinimum)
        setMinimumSize(1000, 400);

    const double s = windowsizing::screenScale(sw, W);
    qDebug() << "nScreenWidth:" << sw << "width" << W << "screen_scale" << s;
    qDebug() << "app_scale_w:" << windowsizing::kAppScaleW << "app_scale_h"
             << windowsizing::kAppScaleH;
    qDebug() << "minimumSizeHint:" << minimumSizeHint();
    qDebug() << "app_w:" << sw * windowsizing::kAppScaleW << "app_h"
             << sh * windowsizing::kAppScaleH;

    const windowsizing::WindowSizeDecision decision = windowsizing::windowSizeFor(sw, sh, W, H);
    switch (decision.kind) {
    case windowsizing::WindowSizeDecision::FitScreen: {
        QScreen *current = screen() ? screen() : primary;
        const QSize size = current->geometry().size();
        setMinimumSize(size);
        resize(size);
        break;
    }
    case windowsizing::WindowSizeDecision::Resize:
        resize(decision.size);
        break;
    case windowsizing::WindowSizeDecision::Keep:
        break;
    }

    if (!m_frame || !m_frame->isDragging())
        centreOnCursorScreen();
}

void MainWindow::slotResolutionChange()
{
    applyWindowScale(false);
}

void MainWindow::centreOnCursorScreen()
{
    const QPoint cursor = QCursor::pos();
    QRect area;
    bool found = false;
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->geometry().contains(cursor)) {
            area = screen->geometry();
            found = true;
        }
    }
    if (!found) {
        QScreen *primary = QGuiApplication::primaryScreen();
        if (!primary)
            return;
        area = primary->geometry();
    }
    move((area.width() - width()) / 2 + area.x(), (area.height() - height()) / 2 + area.y());
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    const QRect frame = frameGeometry();
    m_previewWidth = frame.width() - kColumnBudget;
    m_previewHeight = m_previewWidth * 9 / 16;
    // On a screen narrower than the columns there is no room for a picture at all.
    const QSize previewArea(std::max(m_previewWidth, 0), std::max(m_previewHeight, 0));
    // The picture shown so far may no longer cover the label; the next one says again.
    if (ui->labPreview->size() != previewArea)
        ui->labPreview->setAttribute(Qt::WA_OpaquePaintEvent, false);
    ui->labPreview->setFixedSize(previewArea);
    // The preview worker makes its pictures at this size from its next one.
    if (m_videoWorker)
        m_videoWorker->setPreviewSize(previewArea);
    qDebug() << "window size change" << frame.width() << frame.height();
    if (m_language)
        m_language->hideChooser();
    QMainWindow::resizeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_upgrade->refuseWhileUpgrading()) {
        event->ignore();
        return;
    }
    saveSettings();
    hide();
    closeCamera();
    m_upgrade->stopAbnormalWatcher();
    event->accept();
}
// ---- device changes ---------------------------------------------------------------------

void MainWindow::registerDeviceNotifications()
{
    platform::DeviceNotifier *notifier = platform::backend().deviceNotifier();
    if (!notifier)
        return;
    // Backends without window messages deliver the broadcasts through the notifier;
    // on Windows they arrive through nativeEvent and run the same filter.
    connect(notifier, &platform::DeviceNotifier::deviceChanged, this,
            &MainWindow::slotOnDeviceChange);
#ifdef Q_OS_WIN
    // Registered on this window's handle, so that the broadcasts reach nativeEvent.
    notifier->setWindow(static_cast<quintptr>(winId()));
#endif
    const QUuid classes[] = {platform::kCaptureInterfaceClass, platform::kUsbDeviceInterfaceClass,
                             platform::kDiskInterfaceClass, platform::kHidInterfaceClass,
                             platform::kNetInterfaceClass};
    for (const QUuid &interfaceClass : classes) {
        if (!notifier->registerInterfaceClass(interfaceClass)) {
            qWarning() << "register device event failt!";
            break;
        }
    }
}

bool MainWindow::handleDeviceChange(const platform::DeviceChange &change)
{
    const devicechange::Verdict verdict = devicechange::classifyDeviceChange(change);
    if (verdict.kind != devicechange::Verdict::Camera)
        return false;
    emit onCameraPlugged(verdict.plug, verdict.path);
    return true;
}

void MainWindow::slotOnDeviceChange(const platform::DeviceChange &change)
{
    handleDeviceChange(change);
}

bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
#ifdef Q_OS_WIN
    MSG *msg = static_cast<MSG *>(message);
    if (msg && msg->message == WM_DEVICECHANGE
        && (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE)) {
        platform::DeviceChange change;
        if (platform::WindowsDeviceBroadcast::decode(msg->wParam, reinterpret_cast<const void *>(msg->lParam),
                                                     &change)
            && change.deviceType == DBT_DEVTYP_DEVICEINTERFACE) {
            const devicechange::Verdict verdict = devicechange::classifyDeviceChange(change);
            if (verdict.kind == devicechange::Verdict::Camera) {
                emit onCameraPlugged(verdict.plug, verdict.path);
                return true;
            }
            if (verdict.kind == devicechange::Verdict::NotHandled)
                return false;
        }
    }
    if (msg && msg->message == WM_NCCALCSIZE) {
        // The whole window is client area: no system frame, no caption.
        if (msg->wParam) {
            auto *params = reinterpret_cast<NCCALCSIZE_PARAMS *>(msg->lParam);
            if (params->rgrc[0].top != 0)
                params->rgrc[0].top -= 1;
        }
        *result = WVR_REDRAW;
        return true;
    }
    if (msg && msg->message == WM_NCHITTEST) {
        *result = 0;
        RECT window;
        GetWindowRect(msg->hwnd, &window);
        const QPoint cursor(static_cast<short>(LOWORD(msg->lParam)), static_cast<short>(HIWORD(msg->lParam)));
        const int hit = FramelessWindow::hitTest(
            QRect(window.left, window.top, window.right - window.left, window.bottom - window.top), cursor,
            minimumWidth() != maximumWidth(), minimumHeight() != maximumHeight());
        if (hit != FramelessWindow::HitNone) {
            *result = hit;
            return true;
        }
    }
    if (msg && msg->message == WM_GETMINMAXINFO) {
        if (IsZoomed(msg->hwnd)) {
            // A maximised frameless window overhangs the screen by the system frame.
            RECT frame = {0, 0, 0, 0};
            AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
            const double r = devicePixelRatioF();
            const auto scaled = [r](LONG v) { return static_cast<int>(std::abs(v) / r + 0.5); };
            m_frame->setMaximizedFrames(true, QMargins(scaled(frame.left), scaled(frame.bottom),
                                                       scaled(frame.right), scaled(frame.bottom)));
        } else {
            m_frame->setMaximizedFrames(false, QMargins());
        }
    }
#endif
    return QMainWindow::nativeEvent(eventType, message, result);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool hoverIn = type == QEvent::HoverEnter || type == QEvent::HoverMove;
    const bool hoverOut = type == QEvent::HoverLeave;
    const auto leftPress = [event, type] {
        return type == QEvent::MouseButtonPress
               && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    };

    if (watched == ui->labPreview) {
        if (leftPress())
            return true;
        if (m_bPreviewRunning) {
            if (hoverIn) {
                ui->labelStop->show();
            } else if (hoverOut) {
                // The stop icon lies over the picture: moving onto it is not leaving.
                const QPoint local = ui->labelStop->mapFromGlobal(QCursor::pos());
                if (!ui->labelStop->rect().contains(local))
                    ui->labelStop->hide();
            }
        }
    } else if (watched == ui->labelCamera) {
        if (hoverIn)
            ui->labelCamera->setStyleSheet(QLatin1String(kCameraIconHoverStyle));
        else if (hoverOut)
            ui->labelCamera->setStyleSheet(QLatin1String(kCameraIconStyle));
        if (leftPress()) {
            ui->labelCamera->hide();
            startLoadingAnimation();
            ui->labelloading->show();
            platform::singleShot(kPreviewStartDelayMs, this, [this] { slotStartPreview(); });
            return true;
        }
    } else if (QAbstractButton *expander = sectionExpander(watched)) {
        // A press on a section's header folds or unfolds it like its button.
        if (leftPress()) {
            expander->click();
            return true;
        }
    } else if (watched == ui->labelStop) {
        if (hoverIn)
            ui->labelStop->setStyleSheet(QLatin1String(kStopIconHoverStyle));
        else if (hoverOut)
            ui->labelStop->setStyleSheet(QLatin1String(kStopIconStyle));
        if (leftPress()) {
            stopCameraPreView();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- page tabs and the support page's sections --------------------------------------------

void MainWindow::buttonClickedNavTop(bool checked)
{
    Q_UNUSED(checked)
    auto *clicked = qobject_cast<QToolButton *>(sender());
    const int page = m_navButtons.indexOf(clicked);
    if (page < 0)
        return;
    m_language->hideChooser();
    for (int i = 0; i < m_navButtons.size(); ++i)
        m_navButtons.at(i)->setChecked(i == page);
    ui->stackedWidgetMain->setCurrentIndex(page);
    if (page == 0 && m_bCameraOpen)
        m_controls->slotUpdateSliderValue(true);
}

void MainWindow::buttonColorControl(bool checked)
{
    Q_UNUSED(checked)
    auto *clicked = qobject_cast<QToolButton *>(sender());
    const int page = m_pageButtons.indexOf(clicked);
    if (page < 0)
        return;
    for (int i = 0; i < m_pageButtons.size(); ++i)
        m_pageButtons.at(i)->setChecked(i == page);
    ui->stackedWidgetControl->setCurrentIndex(page);
    if (page == 1 && m_bCameraOpen)
        m_controls->slotUpdateSliderValue(true);
}

QAbstractButton *MainWindow::sectionExpander(QObject *header) const
{
    if (header == ui->labelDevInfo)
        return ui->btnDevInfoExtend;
    if (header == ui->labelDevUpdate)
        return ui->btnDevUpdateExtend;
    if (header == ui->labelDevSupport)
        return ui->btnDevSupportExtend;
    return nullptr;
}

void MainWindow::toggleSection(bool &expanded, QWidget *section)
{
    const bool wasExpanded = expanded;
    expanded = !expanded;
    section->setVisible(!wasExpanded);
}

void MainWindow::on_btnDevInfoExtend_clicked()
{
    toggleSection(m_bDevInfoExpanded, ui->widgetDevInfo);
}

void MainWindow::on_btnDevUpdateExtend_clicked()
{
    toggleSection(m_bDevUpdateExpanded, ui->widgetDevUpdate);
}

void MainWindow::on_btnDevSupportExtend_clicked()
{
    toggleSection(m_bDevSupportExpanded, ui->widgetDevSupport);
}

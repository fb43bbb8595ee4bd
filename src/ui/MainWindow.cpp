#include "ui/MainWindow.h"

#include "app/AppPaths.h"
#include "app/Language.h"
#include "camera/CameraPropertyState.h"
#include "catalogue/Catalogue.h"
#include "catalogue/SharedTexts.h"
#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifier.h"
#include "preview/VideoStreamThread.h"
#include "upgrade/AbnormalDetectThread.h"
#include "upgrade/WorkerThreads.h"
#include "ui/DeviceChangeFilter.h"
#include "ui/DeviceProfile.h"
#include "ui/WindowSizing.h"

#include "ui_MainWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QListWidgetItem>
#include <QMouseEvent>
#include <QMovie>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QSettings>
#include <QThread>
#include <QToolButton>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#include <dbt.h>
#endif

namespace {

constexpr int kStatusPollMs = 3000;
constexpr int kPreviewStartDelayMs = 1000;
constexpr int kRememberDelayMs = 100;
constexpr int kRefreshRememberDelayMs = 400;
constexpr int kTipShowDelayMs = 500;
constexpr int kTipHoldMs = 1500;
constexpr int kZoomMin = 100;
constexpr int kZoomMax = 800;
constexpr int kPanTiltLimit = 30;
// Columns beside the preview (camera list, control column, margins) take this width.
constexpr int kColumnBudget = 786;

// The firmware whose tracking mode must read as Off on model 13.
const QString kTrackingOffFirmware = QStringLiteral("1.0.22");

// Camera-control and image property ids of the capture stack.
constexpr int kPropPan = 0;
constexpr int kPropTilt = 1;
constexpr int kPropZoom = 3;
constexpr int kPropFocus = 6;
constexpr int kPropBrightness = 0;
constexpr int kPropContrast = 1;
constexpr int kPropHue = 2;
constexpr int kPropSaturation = 3;
constexpr int kPropSharpness = 4;
constexpr int kPropWhiteBalance = 7;

constexpr int kRoleIndex = Qt::UserRole;
constexpr int kRoleName = Qt::UserRole + 1;
constexpr int kRolePath = Qt::UserRole + 2;
constexpr int kRoleCapture = Qt::UserRole + 3;

const char kCameraIconStyle[] = "background-image:url(:/qss/light/camera_disable.png)";
const char kCameraIconHoverStyle[] = "background-image:url(:/qss/light/camera_disable-hover.png)";
const char kStopIconStyle[] = "background-image:url(:/qss/light/icon-stop.png)";
const char kStopIconHoverStyle[] = "background-image:url(:/qss/light/icon-stop-hover.png)";

QString settingsPath()
{
    return QStringLiteral("%1/%2").arg(applicationDir(), QLatin1String(kSettingsFileName));
}

bool validLanguage(int language)
{
    return language >= 0 && language < kLanguageCount;
}

void fillBox(QComboBox *box, const OptionTable &table)
{
    for (const OptionEntry &entry : table)
        box->addItem(entry.label, entry.value);
}

const OptionTable &noOptions()
{
    static const OptionTable empty;
    return empty;
}

// The tracking tables exist per interface language; outside 0 to 4 there are none.
const OptionTable &trackingModes()
{
    return validLanguage(g_language) ? trackingModeOptions(g_language) : noOptions();
}

const OptionTable &trackingEffects()
{
    return validLanguage(g_language) ? trackingEffectOptions(g_language) : noOptions();
}

const OptionTable &trackingSpeeds()
{
    return validLanguage(g_language) ? trackingSpeedOptions(g_language) : noOptions();
}

bool isAutomatic(std::int32_t flags)
{
    return (flags & DShowCameraWrapper::kFlagsAuto) != 0;
}

QString arrowStyle(const QString &image)
{
    return QStringLiteral("border-image:url(%1) center no-repeat;").arg(image);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Orvia Vista Cam"));

    m_navButtons = {ui->btnNavControl, ui->btnNavSupport};
    m_pageButtons = {ui->btnVideoControl, ui->btnColorControl};
    m_angleButtons = {ui->btn90, ui->btn78, ui->btn65};

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
    for (QToolButton *button : qAsConst(m_angleButtons)) {
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        connect(button, &QToolButton::clicked, this, &MainWindow::buttonClickedField);
    }

    // The overlay that dims the window behind dialogs joins with the dialogs.

    readSettings();
    connect(this, &MainWindow::onCameraPlugged, this, &MainWindow::slotOnCameraPlugged);
    registerDeviceNotifications();
    connect(this, &MainWindow::onCameraState, this, &MainWindow::slotOnCameraState);
    connect(ui->listWidgetCamera, &QListWidget::itemClicked, this, &MainWindow::slotSwitchCameraItem);
    connect(ui->listWidgetCamera, &QListWidget::currentItemChanged, this,
            &MainWindow::slotIconChangge);

    m_captureName.clear();
    loadCameras();
    startAbnormalWatcher();

    if (m_storedLeft != 0 && m_storedTop != 0 && m_storedWidth != 0 && m_storedHeight != 0)
        qDebug() << "Set the last display position of the window.";
    else
        qDebug() << "Set the default display position of the window.";

    applyTheme(m_styleIndex);
    centreOnCursorScreen();

    // A screen that changes its size (or a new one) re-runs the size rule.
    const auto watchScreen = [this](QScreen *screen) {
        connect(screen, &QScreen::geometryChanged, this, &MainWindow::slotResolutionChange);
    };
    for (QScreen *screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, watchScreen);
    connect(&m_uvc, &UVCExtensionUnit::reInitUvc, this, &MainWindow::slotReInitUvcEx);
}

MainWindow::~MainWindow()
{
    // A window torn down without a close (an exit code from the event loop, a test)
    // must still end its workers: a running QThread must not be destroyed.
    if (m_bCameraOpen || m_videoThread)
        closeCamera();
    stopAbnormalWatcher();
    delete ui;
}

// ---- settings and window set-up ---------------------------------------------------------

void MainWindow::readSettings()
{
    QSettings settings(settingsPath(), QSettings::IniFormat);
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
    QSettings settings(settingsPath(), QSettings::IniFormat);
    const QRect frame = frameGeometry();
    settings.setValue(QStringLiteral("/window/left"), QString::number(frame.x()));
    settings.setValue(QStringLiteral("/window/top"), QString::number(frame.y()));
    settings.setValue(QStringLiteral("/window/width"), QString::number(frame.width()));
    settings.setValue(QStringLiteral("/window/height"), QString::number(frame.height()));
    settings.setValue(QStringLiteral("/style/index"), QString::number(m_styleIndex));
    settings.sync();
}

void MainWindow::fillOptionBoxes()
{
    ui->comboBoxAntiFlicker->clear();
    fillBox(ui->comboBoxAntiFlicker, antiFlickerOptions());
    ui->comboBoxTrackMode->clear();
    fillBox(ui->comboBoxTrackMode, trackingModes());
    ui->comboBoxTrackEffect->clear();
    fillBox(ui->comboBoxTrackEffect, trackingEffects());
    ui->comboBoxTrackSpeend->clear();
    fillBox(ui->comboBoxTrackSpeend, trackingSpeeds());
}

void MainWindow::clearOptionBoxes()
{
    ui->comboBoxAntiFlicker->clear();
    ui->comboBoxTrackEffect->clear();
    ui->comboBoxTrackMode->clear();
    ui->comboBoxTrackSpeend->clear();
}

void MainWindow::initUi()
{
    fillOptionBoxes();

    // The language button's look belongs to the title bar and follows the theme.

    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->labelDevInfo, ui->labelDevUpdate, ui->labelDevSupport, ui->labelHyperlinksApp,
             ui->labelHyperlinksQuickStartGuide, ui->labelHyperlinksContactSupport, ui->labPreview,
             ui->labelCamera, ui->labelStop})
        w->installEventFilter(this);

    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{
             ui->btnHDR, ui->btnHD, ui->btnAutoFocus, ui->btnMute, ui->btnGestureControl,
             ui->btnAutoAE, ui->btnMirror, ui->btnDevInfoExtend, ui->btnDevUpdateExtend,
             ui->btnDevSupportExtend})
        b->setCheckable(true);

    for (QWidget *w : {ui->labelDevUpdate, ui->labelDevSupport, ui->labelDevInfo})
        w->setAttribute(Qt::WA_Hover, true);

    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{
             ui->btnCameraUp, ui->btnCameraDown, ui->btnCameraLeft, ui->btnCameraRight}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(500);
        b->setAutoRepeatInterval(200);
    }

    for (QWidget *w : std::initializer_list<QWidget *>{ui->btnUpgrade, ui->btnRestoreDefaults,
                                                       ui->btnDefaultColor, ui->btnNavControl})
        w->adjustSize();

    ui->sliderZoom->setMinimum(cameraPropertyState.zoom.minimum);
    ui->sliderZoom->setMaximum(cameraPropertyState.zoom.maximum);
    ui->sliderZoom->setSingleStep(10);
    connect(ui->sliderZoom, &QSlider::valueChanged, this, &MainWindow::slotOnSetZoomValue);

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

    applyTheme(m_styleIndex);
    setControlsEnabled(false);
}

void MainWindow::applyTheme(int index)
{
    // The style sheets, palette, language button and support links join here with the
    // theme resources; the window's own parts follow the index already.
    QMovie *movie = index == 0 ? m_loadingMovieLight : m_loadingMovieDark;
    if (movie && ui->labelloading->movie() != movie)
        ui->labelloading->setMovie(movie);
    m_styleIndex = index;

    QListWidget *list = ui->listWidgetCamera;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        if (item == list->currentItem())
            continue;
        qDebug() << "Item-i:" << i;
        item->setIcon(normalItemIcon());
    }
    list->update();

    const QString headerStyle =
        index == 0 ? QStringLiteral("color: #4a4a4a;") : QStringLiteral("color: #F2F2F2;");
    for (QLabel *l : {ui->labelDevInfo, ui->labelDevSupport, ui->labelDevUpdate})
        l->setStyleSheet(headerStyle);

    if (m_bControlsEnable)
        restyleDirectionPad();
    else
        setYuntaiDisabledStyle();
    update();
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

    if (!m_bDragging)
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
    ui->labPreview->setFixedSize(std::max(m_previewWidth, 0), std::max(m_previewHeight, 0));
    qDebug() << "window size change" << frame.width() << frame.height();
    QMainWindow::resizeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_bUpgrading) {
        showNotice(tr("Cannot exit during the upgrade process!"), true);
        event->ignore();
        return;
    }
    saveSettings();
    hide();
    closeCamera();
    stopAbnormalWatcher();
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
        const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(msg->lParam);
        if (header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
            const auto *iface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(header);
            platform::DeviceChange change;
            change.event = static_cast<std::uint32_t>(msg->wParam);
            change.deviceType = header->dbch_devicetype;
            change.classGuid = QUuid(iface->dbcc_classguid);
            change.name = QString::fromWCharArray(iface->dbcc_name);
            const devicechange::Verdict verdict = devicechange::classifyDeviceChange(change);
            if (verdict.kind == devicechange::Verdict::Camera) {
                emit onCameraPlugged(verdict.plug, verdict.path);
                return true;
            }
            if (verdict.kind == devicechange::Verdict::NotHandled)
                return false;
        }
    }
#endif
    return QMainWindow::nativeEvent(eventType, message, result);
}

// ---- camera list ------------------------------------------------------------------------

void MainWindow::slotOnCameraPlugged(bool plug, QString path)
{
    if (!plug && path.contains(m_devicePath, Qt::CaseInsensitive)) {
        qDebug() << "select device plug";
        emit onCameraState(1, m_cameraName);
        closeCamera();
        qDebug() << "plug out reset param";
        m_cameraName.clear();
        m_devicePath.clear();
        m_captureName.clear();
    }
    if (!m_bUpgrading) {
        qDebug() << "reADD DEIVCE";
        loadCameras();
        return;
    }
    QList<CameraEntry> entries;
    if (m_dshowCamera.listCaptureDevices(entries) > 0) {
        rebuildCameraList(entries);
        clearCameraItems();
        fillCameraItems();
    } else {
        clearCameraItems();
    }
}

void MainWindow::loadCameras()
{
    QList<CameraEntry> entries;
    const int count = m_dshowCamera.listCaptureDevices(entries);
    if (count <= 0) {
        if (!m_bUpgrading) {
            // Whatever was open has gone with the devices; its preview must not run on.
            if (m_bCameraOpen || m_videoThread)
                closeCamera();
            clearCameraItems();
            m_noCamera = true;
            m_bCameraOpen = false;
            clearOptionBoxes();
            setControlsEnabled(false);
        }
        return;
    }

    qDebug() << "load Camera!!!!";
    rebuildCameraList(entries);
    clearCameraItems();
    fillCameraItems();

    QListWidget *list = ui->listWidgetCamera;
    if (list->count() == 0) {
        if (m_bCameraOpen || m_videoThread)
            closeCamera();
        clearOptionBoxes();
    }

    list->setCurrentRow(0);
    if (list->currentItem())
        list->currentItem()->setIcon(m_selectedIcon);
    QListWidgetItem *first = list->item(0);
    if (first) {
        list->setCurrentItem(first);
        const int index = first->data(kRoleIndex).toInt();
        const QString name = first->data(kRoleName).toString();
        const QString path = first->data(kRolePath).toString();
        const QString capture = first->data(kRoleCapture).toString();
        if (index != -1 && !name.isEmpty() && !path.isEmpty())
            openItemCamera(name, path, capture);
    }
    slotStartPreview();
}

void MainWindow::openItemCamera(const QString &name, const QString &path, const QString &captureName)
{
    m_cameraName = name;
    m_devicePath = path;
    m_captureName = captureName;
    qInfo() << "current open camera name:" << m_cameraName;
    m_currentCameraModel = modelFromName(m_cameraName);
    qInfo() << "current open camera model:" << m_currentCameraModel;

    closeCamera();
    fillOptionBoxes();
    if (openCameraCapture(path, name)) {
        m_noCamera = false;
        m_bCameraOpen = true;
        setControlsEnabled(true);
    }
    applyDeviceProfile(path);
}

bool MainWindow::rebuildCameraList(const QList<CameraEntry> &entries)
{
    m_listCamera.clear();
    bool added = false;
    QListWidget *list = ui->listWidgetCamera;
    for (const CameraEntry &entry : entries) {
        if (!isSupportedDevice(entry.id, static_cast<quint32>(m_vendorId)))
            continue;
        bool listed = false;
        for (int i = 0; i < list->count() && !listed; ++i)
            listed = list->item(i)->data(kRolePath).toString() == entry.id;
        if (listed) {
            qDebug() << "###########device exist###########";
            m_listCamera.append(entry);
        } else {
            // A camera that was not listed before goes to the top, so it is the one opened.
            m_listCamera.prepend(entry);
            added = true;
        }
    }
    qDebug() << "###########m_listCamera###########" << m_listCamera.size();
    return added;
}

void MainWindow::fillCameraItems()
{
    for (const CameraEntry &entry : qAsConst(m_listCamera)) {
        auto *item = new QListWidgetItem();
        item->setSizeHint(QSize(150, 54));
        item->setData(kRoleIndex, entry.index);
        item->setData(kRoleName, QStringLiteral("%1").arg(entry.name));
        item->setData(kRolePath, QStringLiteral("%1").arg(entry.id));
        item->setData(kRoleCapture, QStringLiteral("%1").arg(entry.monikerName));
        item->setText(entry.name);
        item->setToolTip(entry.name);
        item->setIcon(normalItemIcon());
        ui->listWidgetCamera->addItem(item);
    }
}

void MainWindow::clearCameraItems()
{
    QListWidget *list = ui->listWidgetCamera;
    const int count = list->count();
    for (int i = 0; i < count; ++i)
        delete list->takeItem(0);
}

QIcon MainWindow::normalItemIcon() const
{
    return m_styleIndex == 0 ? QIcon(QStringLiteral(":/qss/light/Arbor-icon-normal.png"))
                             : QIcon(QStringLiteral(":/qss/dark/Arbor-icon-dark.png"));
}

void MainWindow::slotSwitchCameraItem(QListWidgetItem *item)
{
    if (!item)
        return;
    const int index = item->data(kRoleIndex).toInt();
    const QString name = item->data(kRoleName).toString();
    const QString path = item->data(kRolePath).toString();
    if (index == -1 || name.isEmpty() || path.isEmpty())
        return;
    if (name == m_cameraName && path == m_devicePath && m_bCameraOpen)
        return;

    openItemCamera(name, path, item->data(kRoleCapture).toString());

    ui->labelCamera->hide();
    startLoadingAnimation();
    ui->labelloading->show();
    QTimer::singleShot(platform::clock().timerIntervalMs(kPreviewStartDelayMs), this,
                       &MainWindow::slotStartPreview);
}

void MainWindow::slotIconChangge(QListWidgetItem *current, QListWidgetItem *previous)
{
    if (previous)
        previous->setIcon(normalItemIcon());
    if (current)
        current->setIcon(m_selectedIcon);
}

void MainWindow::slotOnCameraState(int state, QString name)
{
    ui->labelDevice->setText(QStringLiteral("%1").arg(name));
    QString text;
    if (validLanguage(g_language)) {
        const OptionTable &labels = connectionStateLabels(g_language);
        const int row = indexOfOptionValue(labels, state);
        if (row >= 0)
            text = labels.at(row).label;
    }
    ui->labelState->setText(text);
    if (state == 0) {
        ui->labelIcon->show();
        ui->labelState->setStyleSheet(QStringLiteral("color: #42a5f5;"));
        return;
    }
    ui->labelState->setStyleSheet(QStringLiteral("color: #f2813b;"));
    if (state == 1) {
        ui->labelDevModel->clear();
        ui->labelDevVer->clear();
        ui->labelDevice->clear();
        ui->labelIcon->hide();
        m_noCamera = true;
        m_bCameraOpen = false;
    }
}

// ---- opening and closing a camera -------------------------------------------------------

bool MainWindow::openCameraCapture(const QString &path, const QString &name)
{
    if (path.isEmpty() || name.isEmpty())
        return false;
    int index = -1;
    const bool found = m_dshowCamera.selectCamera(path, name, index);
    qDebug() << "dshow detect camera :" << found;
    qDebug() << "openCameraCapture::m_nCurrentCameraIndex" << index;
    m_nCurrentCameraIndex = index;

    if (!m_uvc.InitUvc(path, name)) {
        qDebug() << "UVC init failed!";
        return false;
    }
    emit onCameraState(found ? 0 : 1, name);
    queryCameraStatus();

    int gesture = 0;
    const bool gestureModel = m_currentCameraModel == 7 || m_currentCameraModel == 0;
    if ((gestureModel && m_uvc.GetGesture(gesture)) || m_currentCameraModel == 5) {
        m_statusTimer.stop();
        connect(&m_statusTimer, &QTimer::timeout, this, &MainWindow::slotUpdateCamStatus,
                Qt::UniqueConnection);
        m_statusTimer.start(platform::clock().timerIntervalMs(kStatusPollMs));
    }
    return true;
}

void MainWindow::queryCameraStatus()
{
    ui->labelDevModel->setText(m_cameraName);

    QString version;
    if (m_uvc.GetVersion(0x80, version) || m_uvc.GetVersion(0x0B, version)) {
        m_firmwareVersion = version;
        ui->labelDevVer->setText(QStringLiteral("V%1").arg(version));
    } else {
        qWarning() << "Failed to get the camera version.";
    }

    int value = 0;
    if (m_uvc.GetHDR(value)) {
        m_HDRState = value;
        ui->btnHDR->setChecked(value != 0);
    }
    if (m_uvc.GetAntiFlicker(value)) {
        qDebug() << "flicker state:" << value;
        m_flickerState = value;
        ui->comboBoxAntiFlicker->setCurrentIndex(indexOfOptionValue(antiFlickerOptions(), value));
    }
    if (m_uvc.GetMicEnable(value)) {
        qDebug() << "mute state:" << value;
        m_muteState = value;
        ui->btnMute->setChecked(value != 0);
    }
    if (m_uvc.GetMirror(value)) {
        m_mirrorState = value;
        ui->btnMirror->setChecked(value != 0);
    }
    if ((m_currentCameraModel == 0 || m_currentCameraModel == 5) && m_uvc.GetViewAngle(value)) {
        qDebug() << "angleState:" << value;
        m_angleState = value;
        clickAngleButton(value);
    }

    loadSliderSettings();

    CameraPropertyState::Property &zoom = cameraPropertyState.zoom;
    zoom.current = std::clamp(zoom.current, kZoomMin, kZoomMax);
    qDebug() << "param:"
             << "g_brightness:" << cameraPropertyState.brightness.current
             << "pan:" << cameraPropertyState.pan.current
             << "tilt:" << cameraPropertyState.tilt.current << "zoom:" << zoom.current;

    if (m_uvc.GetHDMode(value)) {
        m_HDState = value;
        ui->btnHD->setChecked(value != 0);
    }
    if (m_uvc.GetGesture(value)) {
        qDebug() << "gesture state:" << value;
        m_GestureState = value;
        ui->btnGestureControl->setChecked(value != 0);
    }
    if (m_uvc.GetAutoAE(value)) {
        qDebug() << "AUTOAE state:" << value;
        m_AutoAEState = value;
        ui->btnAutoAE->setChecked(value != 0);
    }

    int mode = 0;
    if (!m_uvc.GetTrackingMode(mode))
        return;
    // This firmware reports a tracking mode it does not run.
    if (m_currentCameraModel == 13 && m_firmwareVersion == kTrackingOffFirmware)
        mode = 0;
    qDebug() << "tracking mode state:" << mode;
    m_trackingMode = mode;
    const int modeIndex = indexOfOptionValue(trackingModes(), mode);
    qDebug() << "tracking mode index:" << modeIndex;
    ui->comboBoxTrackMode->setCurrentIndex(modeIndex);

    const QList<QWidget *> effectAndSpeed = {ui->label_16, ui->comboBoxTrackEffect, ui->widget_12,
                                             ui->label_17, ui->comboBoxTrackSpeend, ui->widget_11};
    if (mode == 0) {
        qDebug() << "show widgetoff";
        ui->widgetTrackOff->show();
        if (m_currentCameraModel == 0 || m_currentCameraModel == 5)
            ui->widgetAngle->show();
        QTimer::singleShot(platform::clock().timerIntervalMs(kRememberDelayMs), this,
                           &MainWindow::slotRemberYuntaiValue);
        for (QWidget *w : effectAndSpeed)
            w->hide();
        return;
    }
    qDebug() << "hide widgetoff";
    ui->widgetTrackOff->hide();
    ui->widgetAngle->hide();
    for (QWidget *w : effectAndSpeed)
        w->show();
    if (mode == 3) {
        for (QWidget *w : effectAndSpeed)
            w->hide();
        return;
    }
    if (mode != 1)
        return;
    if (m_uvc.GetTrackingEffect(value)) {
        qDebug() << "tracking effect state:" << value;
        m_trackingEffect = value;
        ui->comboBoxTrackEffect->setCurrentIndex(indexOfOptionValue(trackingEffects(), value));
        if (value == 0) {
            ui->label_17->hide();
            ui->comboBoxTrackSpeend->hide();
            ui->widget_11->hide();
        }
    }
    if (m_uvc.GetTrackingSpeed(value)) {
        qDebug() << "tracking speend state:" << value;
        m_trackingSpeed = value;
        ui->comboBoxTrackSpeend->setCurrentIndex(indexOfOptionValue(trackingSpeeds(), value));
    }
}

void MainWindow::loadSliderSettings()
{
    if (m_nCurrentCameraIndex == -1)
        return;
    m_dshowCamera.readCameraProperties(m_nCurrentCameraIndex, m_currentCameraModel);
    const CameraPropertyState &st = cameraPropertyState;

    ui->sliderZoom->setMinimum(st.zoom.minimum);
    ui->sliderZoom->setMaximum(st.zoom.maximum);
    ui->sliderZoom->setValue(st.zoom.current);

    ui->sliderFocus->setMinimum(st.focus.minimum);
    ui->sliderFocus->setMaximum(st.focus.maximum);
    ui->sliderFocus->setSingleStep(1);
    connect(ui->sliderFocus, &QSlider::valueChanged, this, &MainWindow::slotOnSetFocusValue,
            Qt::UniqueConnection);

    const int model = m_currentCameraModel;
    if (model != 0 && model != 5 && model != 7) {
        ui->widgetAngle->hide();
        ui->widgetAFocus->hide();
        ui->widgetMFocus->hide();
    } else {
        ui->widgetAFocus->show();
        if (isAutomatic(st.focus.flags)) {
            m_autoFocusState = 1;
            ui->btnAutoFocus->setChecked(true);
            ui->widgetMFocus->hide();
        } else {
            m_autoFocusState = 0;
            ui->btnAutoFocus->setChecked(false);
            ui->widgetMFocus->show();
            ui->sliderFocus->setValue(st.focus.current);
        }
    }

    struct ImageRow
    {
        QSlider *slider;
        QLabel *label;
        const CameraPropertyState::Property &property;
        void (MainWindow::*handler)(int);
    };
    const ImageRow rows[] = {
        {ui->sliderBrightness, ui->labelBrightnessValue, st.brightness,
         &MainWindow::slotOnSetBrightnessValue},
        {ui->sliderContract, ui->labelContractValue, st.contrast, &MainWindow::slotOnSetContractValue},
        {ui->sliderHue, ui->labelHueValue, st.hue, &MainWindow::slotOnSetHueValue},
        {ui->sliderSaturation, ui->labelSaturationValue, st.saturation,
         &MainWindow::slotOnSetSaturationValue},
        {ui->sliderSharpness, ui->labelSharpnessValue, st.sharpness,
         &MainWindow::slotOnSetSharpnessValue},
        {ui->sliderWhiteBalance, ui->labelWhiteBalance, st.whiteBalance,
         &MainWindow::slotOnSetWhiteBalance},
    };
    for (const ImageRow &row : rows) {
        row.slider->setMinimum(row.property.minimum);
        row.slider->setMaximum(row.property.maximum);
        row.slider->setSingleStep(1);
        // However often a camera is opened, each slider drives its handler once.
        connect(row.slider, &QSlider::valueChanged, this, row.handler, Qt::UniqueConnection);
        const int current = row.property.current;
        row.slider->setValue(current);
        row.label->setText(QString::number(current));
    }
    ui->checkBoxWB->setChecked(isAutomatic(st.whiteBalance.flags));
}

void MainWindow::applyDeviceProfile(const QString &path)
{
    quint32 vendorId = 0;
    quint32 productId = 0;
    parseVidPid(path, vendorId, productId);
    const int model = modelFromVidPid(vendorId, productId);
    const deviceprofile::DeviceProfile profile = deviceprofile::deviceProfileFor(m_productLine, model);
    if (profile.known) {
        ui->labelIcon->setStyleSheet(profile.picture);
        for (const QString &name : profile.shown) {
            if (QWidget *w = findChild<QWidget *>(name))
                w->show();
        }
        for (const QString &name : profile.hidden) {
            if (QWidget *w = findChild<QWidget *>(name))
                w->hide();
        }
        if (profile.trackingOff)
            ui->comboBoxTrackMode->setCurrentIndex(indexOfOptionValue(trackingModes(), 0));
        if (profile.trackingDisabled)
            ui->comboBoxTrackMode->setEnabled(false);
        if (profile.limitedControls) {
            setControlsEnabled(false);
            ui->btnMute->setEnabled(true);
            ui->comboBoxAntiFlicker->setEnabled(true);
            enableColourControls(true);
            // An upgrade in progress keeps its buttons locked whatever the camera.
            ui->btnRestoreDefaults->setEnabled(!m_bUpgrading);
            ui->btnUpgrade->setEnabled(!m_bUpgrading);
        }
    }
    ui->labelIcon->repaint();
}

void MainWindow::setControlsEnabled(bool enable)
{
    if (!m_bPreviewRunning) {
        ui->labelloading->hide();
        ui->labelCamera->show();
        ui->labelStop->hide();
    } else {
        ui->labelloading->hide();
        ui->labelCamera->hide();
    }
    qDebug() << "set controls enable:" << enable;

    setDirectionPadEnabled(enable, cameraPropertyState.zoom.current);

    QList<QWidget *> sliders = {ui->sliderBrightness, ui->sliderContract,   ui->sliderHue,
                                ui->sliderSaturation, ui->sliderSharpness, ui->sliderWhiteBalance};
    ui->sliderZoom->setEnabled(enable);
    for (QWidget *w : qAsConst(sliders))
        w->setEnabled(enable);
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->checkBoxBrigtness, ui->checkBoxContract, ui->checkBoxHue, ui->checkBoxSaturation,
             ui->checkBoxSharpness, ui->checkBoxWB})
        w->setEnabled(enable);

    if (!enable) {
        cameraPropertyState.zoom.current = 100;
        ui->sliderZoom->setValue(100);
        if (!m_bCameraOpen) {
            for (QSlider *s : {ui->sliderBrightness, ui->sliderContract, ui->sliderHue,
                               ui->sliderSaturation, ui->sliderSharpness, ui->sliderWhiteBalance})
                s->setValue(s->minimum());
        }
    }

    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->comboBoxAntiFlicker, ui->btnHDR, ui->btnHD, ui->btnMute, ui->btnAutoAE,
             ui->btnMirror, ui->widgetGestureControl, ui->btnDefaultColor, ui->comboBoxTrackEffect,
             ui->comboBoxTrackMode, ui->comboBoxTrackSpeend})
        w->setEnabled(enable);

    ui->btnUpgrade->setEnabled(!m_bUpgrading && enable);
    ui->btnRestoreDefaults->setEnabled(!m_bUpgrading && enable);
}

void MainWindow::enableColourControls(bool enable)
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->sliderBrightness, ui->sliderContract, ui->sliderSaturation, ui->sliderHue,
             ui->sliderSharpness, ui->checkBoxBrigtness, ui->checkBoxContract, ui->checkBoxHue,
             ui->checkBoxSaturation, ui->checkBoxSharpness, ui->checkBoxWB, ui->btnDefaultColor})
        w->setEnabled(enable);
}

bool MainWindow::closeCamera()
{
    m_statusTimer.stop();
    disconnect(&m_statusTimer, nullptr, nullptr, nullptr);
    m_bPreviewRunning = false;

    if (m_videoWorker || m_videoThread) {
        qDebug() << "Thread video quit 111.";
        stopVideoWorker();
        qDebug() << "Thread video quit 222.";
        ui->labPreview->clear();
        showPreviewHints();
        ui->labPreview->repaint();
    }

    m_uvc.ReleaseUvc();
    m_dshowCamera.releaseCamera();
    m_nCurrentCameraIndex = -1;
    m_bCameraOpen = false;
    setControlsEnabled(false);

    for (QWidget *w : std::initializer_list<QWidget *>{ui->widgetHD, ui->widgetAngle,
                                                       ui->widgetGestureControl, ui->widgetAutoAE,
                                                       ui->widgetAFocus, ui->widgetMFocus})
        w->hide();
    clearOptionBoxes();
    return true;
}

void MainWindow::slotReInitUvcEx()
{
    qDebug() << "MainWindow::slotReInitUvcEx";
    m_uvc.ReleaseUvc();
    if (!m_uvc.InitUvc(m_devicePath, m_cameraName))
        qDebug() << "UVC reinit failed!";
}

// ---- preview ----------------------------------------------------------------------------

void MainWindow::startLoadingAnimation()
{
    QMovie *movie = m_styleIndex == 0 ? m_loadingMovieLight : m_loadingMovieDark;
    if (movie)
        movie->start();
}

void MainWindow::stopLoadingAnimation()
{
    QMovie *movie = m_styleIndex == 0 ? m_loadingMovieLight : m_loadingMovieDark;
    if (movie)
        movie->stop();
}

void MainWindow::showPreviewHints()
{
    ui->labPreview_up->show();
    ui->labPreview_down->show();
}

void MainWindow::stopVideoWorker()
{
    if (m_videoWorker)
        m_videoWorker->stop();
    if (m_videoThread) {
        m_videoThread->quit();
        m_videoThread->wait();
    }
    // A worker that never opened its input ends without workFinished and so would
    // never delete itself; its thread has ended, so it can go now.
    delete m_videoWorker.data();
    m_videoWorker = nullptr;
    delete m_videoThread;
    m_videoThread = nullptr;
}

void MainWindow::slotStartPreview()
{
    qDebug() << "currentRow" << ui->listWidgetCamera->currentRow();
    if (!m_bCameraOpen) {
        m_bPreviewRunning = false;
        stopLoadingAnimation();
        ui->labelloading->hide();
        ui->labelCamera->show();
        return;
    }
    if (m_videoWorker || m_videoThread)
        stopVideoWorker();
    qDebug() << "slotStartPreview::m_nCurrentCameraIndex" << m_nCurrentCameraIndex;
    slotUpdateSliderValue(true);

    m_videoThread = new QThread();
    m_videoWorker = new VideoStreamThread(m_captureName);
    m_videoWorker->moveToThread(m_videoThread);
    connect(m_videoThread, &QThread::started, m_videoWorker, &VideoStreamThread::start);
    connect(m_videoThread, &QThread::finished, m_videoThread, &QObject::deleteLater);
    connect(m_videoWorker, &VideoStreamThread::workFinished, m_videoWorker, &QObject::deleteLater);
    connect(m_videoWorker, &QObject::destroyed, m_videoThread, &QThread::quit);
    connect(m_videoWorker, &VideoStreamThread::onReader, this, &MainWindow::slotOnReader,
            Qt::QueuedConnection);
    m_videoThread->start(QThread::InheritPriority);

    m_bPreviewRunning = true;
    for (QWidget *w : {ui->labelloading, ui->labelCamera, ui->labPreview_up, ui->labPreview_down})
        w->hide();
}

void MainWindow::stopCameraPreView()
{
    m_bPreviewRunning = false;
    if (m_videoWorker || m_videoThread) {
        qDebug() << "stop camera!";
        stopVideoWorker();
    }
    stopLoadingAnimation();
    ui->labelloading->hide();
    ui->labelCamera->show();
    ui->labelStop->hide();
    ui->labPreview->clear();
    showPreviewHints();
    ui->labPreview->repaint();
}

void MainWindow::slotOnReader(const QImage &image)
{
    if (!image.isNull() && !m_noCamera && m_bPreviewRunning) {
        // Pictures cross the thread boundary as images; pixmaps are made here.
        const QImage scaled = image.scaled(m_previewWidth, m_previewHeight, Qt::KeepAspectRatio,
                                           Qt::SmoothTransformation);
        ui->labPreview->setPixmap(QPixmap::fromImage(scaled));
        return;
    }
    ui->labPreview->clear();
    showPreviewHints();
    ui->labPreview->repaint();
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
            QTimer::singleShot(platform::clock().timerIntervalMs(kPreviewStartDelayMs), this,
                               &MainWindow::slotStartPreview);
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

// ---- status refresh and control values --------------------------------------------------

void MainWindow::slotUpdateCamStatus()
{
    if (!m_bCameraOpen)
        return;
    int value = 0;
    if (!m_uvc.GetTrackingMode(value)) {
        qDebug() << "query AI mode fail";
        return;
    }
    ui->comboBoxTrackMode->setCurrentIndex(indexOfOptionValue(trackingModes(), value));
    if (!m_uvc.GetViewAngle(value)) {
        qDebug() << "query angle fail";
        return;
    }
    m_angleState = value;
    clickAngleButton(value);
    if (!m_uvc.GetAntiFlicker(value)) {
        qDebug() << "query flicker fail";
        return;
    }
    ui->comboBoxAntiFlicker->setCurrentIndex(indexOfOptionValue(antiFlickerOptions(), value));
    slotUpdateSliderValue(true);
}

void MainWindow::clickAngleButton(int index)
{
    // A field of view the window has no button for is left unshown.
    if (index < 0 || index >= m_angleButtons.size())
        return;
    m_bAngleFromDevice = true;
    m_angleButtons.at(index)->click();
}

void MainWindow::slotUpdateSliderValue(bool isQuery)
{
    const CameraPropertyState before = cameraPropertyState;
    if (isQuery && m_nCurrentCameraIndex != -1)
        m_dshowCamera.readCameraProperties(m_nCurrentCameraIndex, m_currentCameraModel);
    const CameraPropertyState &now = cameraPropertyState;
    const bool force = m_bForceRefresh;

    if (force || now.zoom.current != before.zoom.current) {
        ui->sliderZoom->setValue(now.zoom.current);
        QTimer::singleShot(platform::clock().timerIntervalMs(kRefreshRememberDelayMs), this,
                           &MainWindow::slotRemberYuntaiValue);
    }

    const bool focusAuto = isAutomatic(now.focus.flags);
    if ((force || focusAuto != isAutomatic(before.focus.flags)
         || now.focus.current != before.focus.current)
        && (m_currentCameraModel == 0 || m_currentCameraModel == 5)) {
        ui->widgetAFocus->show();
        if (focusAuto && m_autoFocusState == 0) {
            m_autoFocusState = 1;
            ui->btnAutoFocus->setChecked(true);
            ui->widgetMFocus->hide();
            if (!m_uvc.SetAutoFocus())
                showNotice(tr("The setting has timed out, please try again."), false);
        } else if (m_autoFocusState != 1) {
            m_autoFocusState = 0;
            ui->btnAutoFocus->setChecked(false);
            ui->widgetMFocus->show();
            ui->sliderFocus->setValue(now.focus.current);
        }
    }

    struct Row
    {
        QSlider *slider;
        QLabel *label;
        int current;
        int previous;
    };
    const Row rows[] = {
        {ui->sliderBrightness, ui->labelBrightnessValue, now.brightness.current,
         before.brightness.current},
        {ui->sliderContract, ui->labelContractValue, now.contrast.current, before.contrast.current},
        {ui->sliderHue, ui->labelHueValue, now.hue.current, before.hue.current},
        {ui->sliderSaturation, ui->labelSaturationValue, now.saturation.current,
         before.saturation.current},
        {ui->sliderSharpness, ui->labelSharpnessValue, now.sharpness.current,
         before.sharpness.current},
    };
    for (const Row &row : rows) {
        if (force || row.current != row.previous) {
            row.slider->setValue(row.current);
            row.label->setText(QString::number(row.current));
        }
    }

    const bool wbAuto = isAutomatic(now.whiteBalance.flags);
    if (force || wbAuto != isAutomatic(before.whiteBalance.flags))
        ui->checkBoxWB->setChecked(wbAuto);
    if (force || now.whiteBalance.current != before.whiteBalance.current) {
        ui->sliderWhiteBalance->setValue(now.whiteBalance.current);
        ui->labelWhiteBalance->setText(QString::number(now.whiteBalance.current));
    }
    m_bForceRefresh = false;
}

void MainWindow::slotRemberYuntaiValue()
{
    CameraPropertyState &st = cameraPropertyState;
    st.tilt.current = std::min(st.tilt.current, kPanTiltLimit);
    setTiltArrowStyle(st.tilt.current);
    m_dshowCamera.setCameraCtlValue(kPropTilt, st.tilt.current);

    st.pan.current = std::max(st.pan.current, -kPanTiltLimit);
    setPanArrowStyle(st.pan.current);
    m_dshowCamera.setCameraCtlValue(kPropPan, st.pan.current);

    const bool cancelTips = m_bCancelTips;
    ui->sliderZoom->setValue(st.zoom.current);
    if (cancelTips)
        m_bCancelTips = true;
    slotOnSetZoomValue(st.zoom.current);
}

void MainWindow::slotOnSetZoomValue(int value)
{
    CameraPropertyState &st = cameraPropertyState;
    st.zoom.current = value;
    m_dshowCamera.setCameraCtlValue(kPropZoom, value);
    // The arrows are usable only while the zoom control itself is.
    setDirectionPadEnabled(ui->sliderZoom->isEnabled(), value);

    int videoState = 0;
    if (m_uvc.GetVideoState(videoState) && videoState == 1) {
        qDebug() << "video on";
        return;
    }
    const int sent = value;
    m_dshowCamera.getCameraCtlValue(kPropZoom, sent);
    qDebug() << "last_zoom" << sent << "g_zoom" << st.zoom.current << "m_bCancelTips"
             << m_bCancelTips;
    if (m_bCancelTips && sent == 100) {
        st.zoom.current = 100;
        m_bCancelTips = false;
        return;
    }
    if (st.zoom.current != sent && m_bCameraOpen && !m_bPreviewRunning && !m_bTipPending)
        scheduleValueTip();
}

void MainWindow::slotOnSetFocusValue(int value)
{
    cameraPropertyState.focus.current = value;
    m_dshowCamera.setCameraCtlValue(kPropFocus, value);
}

void MainWindow::checkImageValue(int id, int sent)
{
    int videoState = 0;
    if (m_uvc.GetVideoState(videoState) && videoState == 1) {
        qDebug() << "video on";
        return;
    }
    m_dshowCamera.getVideoProcValue(id, sent);
    const CameraPropertyState &st = cameraPropertyState;
    int reported = sent;
    switch (id) {
    case kPropBrightness:
        reported = st.brightness.current;
        break;
    case kPropContrast:
        reported = st.contrast.current;
        break;
    case kPropHue:
        reported = st.hue.current;
        break;
    case kPropSaturation:
        reported = st.saturation.current;
        break;
    case kPropSharpness:
        reported = st.sharpness.current;
        break;
    case kPropWhiteBalance:
        reported = st.whiteBalance.current;
        break;
    default:
        break;
    }
    if (reported == sent)
        return;
    if (m_bCameraOpen && !m_bPreviewRunning && !m_bTipPending)
        scheduleValueTip();
}

void MainWindow::setImageValue(CameraPropertyState::Property &property, int id, QLabel *label, int value)
{
    property.current = value;
    m_dshowCamera.setVideoProcValue(id, value);
    label->setText(QString::number(value));
    checkImageValue(id, value);
}

void MainWindow::slotOnSetBrightnessValue(int value)
{
    setImageValue(cameraPropertyState.brightness, kPropBrightness, ui->labelBrightnessValue, value);
}

void MainWindow::slotOnSetContractValue(int value)
{
    setImageValue(cameraPropertyState.contrast, kPropContrast, ui->labelContractValue, value);
}

void MainWindow::slotOnSetHueValue(int value)
{
    setImageValue(cameraPropertyState.hue, kPropHue, ui->labelHueValue, value);
}

void MainWindow::slotOnSetSaturationValue(int value)
{
    setImageValue(cameraPropertyState.saturation, kPropSaturation, ui->labelSaturationValue, value);
}

void MainWindow::slotOnSetSharpnessValue(int value)
{
    setImageValue(cameraPropertyState.sharpness, kPropSharpness, ui->labelSharpnessValue, value);
}

void MainWindow::slotOnSetWhiteBalance(int value)
{
    cameraPropertyState.whiteBalance.current = value;
    if (ui->checkBoxWB->isChecked())
        m_dshowCamera.setVideoProcAuto(kPropWhiteBalance);
    else
        m_dshowCamera.setVideoProcValue(kPropWhiteBalance, value);
    ui->labelWhiteBalance->setText(QString::number(value));
    checkImageValue(kPropWhiteBalance, value);
}

void MainWindow::scheduleValueTip()
{
    m_bTipPending = true;
    QTimer::singleShot(platform::clock().timerIntervalMs(kTipHoldMs), this,
                       &MainWindow::slotTipsTimeout);
    QTimer::singleShot(platform::clock().timerIntervalMs(kTipShowDelayMs), this,
                       &MainWindow::slotShowTips);
}

void MainWindow::slotShowTips()
{
    showNotice(tr("Any change in the setting takes effect only if the camera is working."), true);
    m_bForceRefresh = true;
    slotUpdateSliderValue(false);
}

void MainWindow::slotTipsTimeout()
{
    m_bTipPending = false;
}

void MainWindow::showNotice(const QString &text, bool countdown)
{
    // The message box of the dialog set takes over here; until then the notice is logged.
    qInfo() << "notice:" << text << "countdown:" << countdown;
}

// ---- direction pad ----------------------------------------------------------------------

void MainWindow::setDirectionPadEnabled(bool enable, int zoom)
{
    m_bControlsEnable = enable && zoom > 100;
    qDebug() << "m_bControlsEnable:" << m_bControlsEnable;
    if (m_bControlsEnable) {
        ui->widgetDirectionBg->setCursor(Qt::ArrowCursor);
        restyleDirectionPad();
    } else {
        setYuntaiDisabledStyle();
    }
    for (QWidget *w : std::initializer_list<QWidget *>{ui->btnCameraUp, ui->btnCameraDown,
                                                       ui->btnCameraLeft, ui->btnCameraRight})
        w->setEnabled(m_bControlsEnable);
}

void MainWindow::restyleDirectionPad()
{
    setPanArrowStyle(cameraPropertyState.pan.current);
    setTiltArrowStyle(cameraPropertyState.tilt.current);
}

namespace {

struct ArrowImages
{
    QString normal;
    QString disabled;
};

ArrowImages arrowImages(const char *direction, int styleIndex)
{
    if (styleIndex == 0)
        return {QStringLiteral(":/qss/light/icon-arrow-%1.png").arg(QLatin1String(direction)),
                QStringLiteral(":/qss/light/icon-arrow-%1-disable.png").arg(QLatin1String(direction))};
    return {QStringLiteral(":/qss/dark/icon-arrow-%1-dark.png").arg(QLatin1String(direction)),
            QStringLiteral(":/qss/dark/icon-arrow-%1-disable.png").arg(QLatin1String(direction))};
}

// One axis: the arrow towards the limit that has been reached shows as unusable.
void styleAxis(QAbstractButton *lower, const ArrowImages &lowerImages, QAbstractButton *upper,
               const ArrowImages &upperImages, int value, int limit)
{
    if (value == -limit) {
        lower->setStyleSheet(arrowStyle(lowerImages.disabled));
        lower->setCursor(Qt::ForbiddenCursor);
        upper->setStyleSheet(arrowStyle(upperImages.normal));
    } else if (value == limit) {
        upper->setStyleSheet(arrowStyle(upperImages.disabled));
        upper->setCursor(Qt::ForbiddenCursor);
        lower->setStyleSheet(arrowStyle(lowerImages.normal));
    } else {
        lower->setStyleSheet(arrowStyle(lowerImages.normal));
        upper->setStyleSheet(arrowStyle(upperImages.normal));
        lower->setCursor(Qt::ArrowCursor);
        upper->setCursor(Qt::ArrowCursor);
    }
}

} // namespace

void MainWindow::setPanArrowStyle(int pan)
{
    styleAxis(ui->btnCameraLeft, arrowImages("left", m_styleIndex), ui->btnCameraRight,
              arrowImages("right", m_styleIndex), pan, kPanTiltLimit);
}

void MainWindow::setTiltArrowStyle(int tilt)
{
    styleAxis(ui->btnCameraDown, arrowImages("down", m_styleIndex), ui->btnCameraUp,
              arrowImages("up", m_styleIndex), tilt, kPanTiltLimit);
}

void MainWindow::setYuntaiDisabledStyle()
{
    ui->widgetDirectionBg->setCursor(Qt::ForbiddenCursor);
    ui->btnCameraLeft->setStyleSheet(arrowStyle(arrowImages("left", m_styleIndex).disabled));
    ui->btnCameraRight->setStyleSheet(arrowStyle(arrowImages("right", m_styleIndex).disabled));
    ui->btnCameraUp->setStyleSheet(arrowStyle(arrowImages("up", m_styleIndex).disabled));
    ui->btnCameraDown->setStyleSheet(arrowStyle(arrowImages("down", m_styleIndex).disabled));
}

// ---- navigation and field of view -------------------------------------------------------

void MainWindow::buttonClickedNavTop(bool checked)
{
    Q_UNUSED(checked)
    auto *clicked = qobject_cast<QToolButton *>(sender());
    const int page = m_navButtons.indexOf(clicked);
    if (page < 0)
        return;
    for (int i = 0; i < m_navButtons.size(); ++i)
        m_navButtons.at(i)->setChecked(i == page);
    ui->stackedWidgetMain->setCurrentIndex(page);
    if (page == 0 && m_bCameraOpen)
        slotUpdateSliderValue(true);
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
        slotUpdateSliderValue(true);
}

void MainWindow::buttonClickedField(bool checked)
{
    Q_UNUSED(checked)
    auto *clicked = qobject_cast<QToolButton *>(sender());
    const int index = m_angleButtons.indexOf(clicked);
    if (index < 0)
        return;
    for (int i = 0; i < m_angleButtons.size(); ++i) {
        if (i != index)
            m_angleButtons.at(i)->setChecked(false);
    }

    CameraPropertyState &st = cameraPropertyState;
    if (!m_bAngleFromDevice && (st.tilt.current != 0 || st.pan.current != 0 || st.zoom.current != 100)) {
        // A new field of view starts from the camera's home position.
        st.tilt.current = st.tilt.defaultValue;
        st.pan.current = st.pan.defaultValue;
        restyleDirectionPad();
        m_bCancelTips = true;
        st.zoom.current = st.zoom.defaultValue;
        slotRemberYuntaiValue();
    }
    m_bAngleFromDevice = false;

    qDebug() << "set VIEW ANGLE:" << index;
    clicked->setChecked(true);
    if (m_uvc.SetViewAngle(index))
        return;
    qDebug() << "set VIEW ANGLE failed!";
    showNotice(tr("The setting has timed out, please try again."), false);
    int angle = 0;
    if (!m_uvc.GetViewAngle(angle))
        return;
    m_angleState = angle;
    // Show the camera's own choice without sending it back: a camera that refuses the
    // command would otherwise be asked again and again.
    if (angle >= 0 && angle < m_angleButtons.size()) {
        for (int i = 0; i < m_angleButtons.size(); ++i)
            m_angleButtons.at(i)->setChecked(i == angle);
    }
}

// ---- abnormal-state watcher -------------------------------------------------------------

void MainWindow::startAbnormalWatcher()
{
    m_abnormalThread = new QThread();
    m_abnormalWorker = new AbnormalDetectThread(m_productLine);
    m_abnormalWorker->moveToThread(m_abnormalThread);
    connect(m_abnormalThread, &QThread::started, m_abnormalWorker, &AbnormalDetectThread::start);
    connect(m_abnormalThread, &QThread::finished, m_abnormalThread, &QObject::deleteLater);
    connect(m_abnormalWorker, &AbnormalDetectThread::workFinished, m_abnormalWorker,
            &QObject::deleteLater);
    connect(m_abnormalWorker, &QObject::destroyed, m_abnormalThread, &QThread::quit);
    connect(m_abnormalWorker, &AbnormalDetectThread::onDeviceAbnormal, this,
            &MainWindow::slotOnDeviceAbnormal);
    m_abnormalThread->start(QThread::InheritPriority);
}

void MainWindow::stopAbnormalWatcher()
{
    if (!m_abnormalThread)
        return;
    if (!stopWorkerThread(m_abnormalWorker.data(), m_abnormalThread.data())) {
        // A search that does not come back must not hold the application open; the
        // thread is left to the end of the process rather than destroyed while running.
        qWarning() << "The abnormal-state watcher did not stop.";
        m_abnormalThread = nullptr;
        return;
    }
    delete m_abnormalWorker.data();
    delete m_abnormalThread.data();
}

void MainWindow::slotOnDeviceAbnormal(int state)
{
    qWarning() << "Detect camera abnormal, state:" << state;
}

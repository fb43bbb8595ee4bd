#include "ui/MainWindow.h"

#include "core/Language.h"
#include "camera/CameraPropertyState.h"
#include "catalogue/Catalogue.h"
#include "platform/Clock.h"
#include "preview/VideoStreamThread.h"
#include "ui/ControlPanel.h"
#include "ui/ControlPanelShared.h"
#include "ui/DeviceProfile.h"
#include "ui/PreviewVisibility.h"
#include "upgrade/WorkerThreads.h"

#include "ui_MainWindow.h"

#include <QComboBox>
#include <QDebug>
#include <QListWidgetItem>
#include <QMovie>
#include <QPixmap>
#include <QSignalBlocker>
#include <QThread>

// The camera list, opening and closing a camera, and its live preview.

namespace {

constexpr int kStatusPollMs = 3000;
constexpr int kPreviewStartDelayMs = 1000;

constexpr int kRoleIndex = Qt::UserRole;
constexpr int kRoleName = Qt::UserRole + 1;
constexpr int kRolePath = Qt::UserRole + 2;
constexpr int kRoleCapture = Qt::UserRole + 3;

void fillBox(QComboBox *box, const OptionTable &table)
{
    // Filling a list is not a choice of the user: nothing goes to the camera.
    const QSignalBlocker block(box);
    for (const OptionEntry &entry : table)
        box->addItem(entry.label, entry.value);
}

// The model of a device path's USB identifiers (it decides the optional rows).
int usbModel(const QString &path)
{
    quint32 vendorId = 0;
    quint32 productId = 0;
    parseVidPid(path, vendorId, productId);
    return modelFromVidPid(vendorId, productId);
}

} // namespace

void MainWindow::fillOptionBoxes()
{
    ui->comboBoxAntiFlicker->clear();
    fillBox(ui->comboBoxAntiFlicker, antiFlickerOptions());
    ui->comboBoxTrackMode->clear();
    fillBox(ui->comboBoxTrackMode, controlpanel::trackingModes());
    ui->comboBoxTrackEffect->clear();
    fillBox(ui->comboBoxTrackEffect, controlpanel::trackingEffects());
    ui->comboBoxTrackSpeend->clear();
    fillBox(ui->comboBoxTrackSpeend, controlpanel::trackingSpeeds());
}

void MainWindow::clearOptionBoxes()
{
    ui->comboBoxAntiFlicker->clear();
    ui->comboBoxTrackEffect->clear();
    ui->comboBoxTrackMode->clear();
    ui->comboBoxTrackSpeend->clear();
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
    if (!isUpgrading()) {
        qDebug() << "reADD DEIVCE";
        loadCameras();
        return;
    }
    QList<CameraEntry> entries;
    if (m_camera.standard().listCaptureDevices(entries) > 0) {
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
    const int count = m_camera.standard().listCaptureDevices(entries);
    if (count <= 0) {
        if (!isUpgrading()) {
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
    if (!item || isUpgrading())
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
    platform::singleShot(kPreviewStartDelayMs, this, [this] { slotStartPreview(); });
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
    if (controlpanel::validLanguage(g_language)) {
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
    m_camera.setModels(m_currentCameraModel, usbModel(path), m_productLine);
    const bool found = m_camera.selectProperties(path, name);
    const int index = m_camera.index();
    qDebug() << "dshow detect camera :" << found;
    qDebug() << "openCameraCapture::m_nCurrentCameraIndex" << index;
    m_nCurrentCameraIndex = index;

    if (!m_camera.openExtensionUnit()) {
        qDebug() << "UVC init failed!";
        return false;
    }
    emit onCameraState(found ? 0 : 1, name);
    queryCameraStatus();

    int gesture = 0;
    const StatusPoll poll = cameraModel(m_currentCameraModel).statusPoll;
    if ((poll == StatusPoll::WhenGestureAnswers && m_camera.extensionUnit().GetGesture(gesture))
        || poll == StatusPoll::Always) {
        m_statusTimer.stop();
        connect(&m_statusTimer, &QTimer::timeout, m_controls, &ControlPanel::slotUpdateCamStatus,
                Qt::UniqueConnection);
        platform::startTimer(m_statusTimer, kStatusPollMs);
    }
    return true;
}

void MainWindow::queryCameraStatus()
{
    ui->labelDevModel->setText(m_cameraName);

    if (m_camera.readFirmware()) {
        m_firmwareVersion = m_camera.firmware();
        ui->labelDevVer->setText(QStringLiteral("V%1").arg(m_firmwareVersion));
    } else {
        qWarning() << "Failed to get the camera version.";
    }
    m_controls->readCameraFeatures();
}

void MainWindow::applyDeviceProfile(const QString &path)
{
    const int model = usbModel(path);
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
            ControlPanel::selectValue(ui->comboBoxTrackMode, 0);
        if (profile.trackingDisabled)
            ui->comboBoxTrackMode->setEnabled(false);
        if (profile.limitedControls) {
            setControlsEnabled(false);
            ui->btnMute->setEnabled(true);
            ui->comboBoxAntiFlicker->setEnabled(true);
            enableColourControls(true);
            // An upgrade in progress keeps its buttons locked whatever the camera.
            ui->btnRestoreDefaults->setEnabled(!isUpgrading());
            ui->btnUpgrade->setEnabled(!isUpgrading());
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

    m_controls->setControlsEnabled(enable);
    ui->btnUpgrade->setEnabled(!isUpgrading() && enable);
    ui->btnRestoreDefaults->setEnabled(!isUpgrading() && enable);
}

void MainWindow::enableColourControls(bool enable)
{
    m_controls->enableColourControls(enable);
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
        clearPreviewPicture();
    }

    if (m_remote)
        m_remote->cameraChanged();
    m_camera.closeChannels();
    m_nCurrentCameraIndex = -1;
    m_bCameraOpen = false;
    setControlsEnabled(false);

    m_controls->hideCameraRows();
    clearOptionBoxes();
    return true;
}

void MainWindow::slotReInitUvcEx()
{
    qDebug() << "MainWindow::slotReInitUvcEx";
    if (!m_camera.reopenExtensionUnit())
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

void MainWindow::clearPreviewPicture()
{
    // The label's own background and hints show again, so it no longer paints opaquely.
    ui->labPreview->setAttribute(Qt::WA_OpaquePaintEvent, false);
    ui->labPreview->clear();
    showPreviewHints();
    ui->labPreview->repaint();
}

VideoStreamThread *MainWindow::previewWorker() const
{
    return m_videoWorker.data();
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
    m_controls->slotUpdateSliderValue(true);

    m_videoWorker = new VideoStreamThread(m_captureName);
    // The worker makes its pictures at the size they are shown, from the first one.
    m_videoWorker->setPreviewSize(previewSize());
    m_videoWorker->setDecoding(m_previewVisibility->isVisible());
    // Told on this thread, read by the worker's: the flag is atomic. The worker is the
    // receiver, so the connection ends with it; it goes only while this thread waits for
    // it in stopVideoWorker, never while a change is being told.
    connect(m_previewVisibility, &PreviewVisibility::visibleChanged, m_videoWorker.data(),
            &VideoStreamThread::setDecoding, Qt::DirectConnection);
    m_videoThread = moveToWorkerThread(m_videoWorker.data());
    // Named so that a profiler or top -H tells the preview's cost from the rest.
    m_videoThread->setObjectName(QStringLiteral("preview"));
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
    clearPreviewPicture();
}

void MainWindow::slotOnReader()
{
    // The worker keeps only its latest picture; a notice whose picture was already
    // taken (or whose worker has gone) brings nothing.
    const QImage image = m_videoWorker ? m_videoWorker->takePicture() : QImage();
    if (image.isNull() && m_bPreviewRunning && !m_noCamera)
        return;
    if (!image.isNull() && !m_noCamera && m_bPreviewRunning) {
        // Made at the preview's size by the worker, so shown as it is. Pictures cross
        // the thread boundary as images; pixmaps are made here. A picture that covers
        // the whole label is all there is to paint there: neither the label's rounded
        // background nor the page under it is drawn for each picture.
        ui->labPreview->setAttribute(Qt::WA_OpaquePaintEvent, image.size() == ui->labPreview->size());
        ui->labPreview->setPixmap(QPixmap::fromImage(image));
        return;
    }
    clearPreviewPicture();
}

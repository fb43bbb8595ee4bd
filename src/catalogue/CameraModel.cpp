#include "catalogue/CameraModel.h"

#include <QMap>

namespace {

using R = RowPresence;

CameraModel record(ModelId id, QVector<int> lines, ModelPicture picture)
{
    CameraModel m;
    m.id = id;
    m.known = true;
    m.productLines = std::move(lines);
    m.picture = picture;
    return m;
}

// The wide-angle cameras with focus and the field-of-view choice.
CameraModel focusCamera(ModelId id, QVector<int> lines, ModelPicture picture, StatusPoll poll)
{
    CameraModel m = record(id, std::move(lines), picture);
    m.focusControls = true;
    m.focusRead = true;
    m.fieldOfView = true;
    m.statusPoll = poll;
    m.hdMode = R::Shown;
    m.aiLight = R::Shown;
    m.mirror = R::Hidden;
    m.gesture = R::Hidden;
    return m;
}

// The cameras without a tracking choice and with few usable controls.
CameraModel limitedCamera(ModelId id, QVector<int> lines, ModelPicture picture)
{
    CameraModel m = record(id, std::move(lines), picture);
    m.trackingOff = true;
    m.limitedControls = true;
    return m;
}

QMap<int, CameraModel> buildTable()
{
    QVector<CameraModel> rows;
    rows << focusCamera(ModelId::OrviaVistaProCam, {0, 2}, ModelPicture::Arbor, StatusPoll::WhenGestureAnswers);
    {
        CameraModel m = record(ModelId::KtM41, {0}, ModelPicture::Arbor);
        m.hdMode = R::Shown;
        m.mirror = R::Hidden;
        m.aiLight = R::Hidden;
        m.trackingOff = true;
        m.trackingDisabled = true;
        rows << m;
    }
    for (ModelId id : {ModelId::KtMp27, ModelId::KtDor27}) {
        CameraModel m = limitedCamera(id, {0}, ModelPicture::Arbor);
        m.hdMode = R::Hidden;
        m.mirror = R::Hidden;
        m.aiLight = R::Hidden;
        rows << m;
    }
    for (ModelId id : {ModelId::KtRbn41, ModelId::Lns611}) {
        CameraModel m = record(id, {0}, ModelPicture::Arbor);
        m.hdMode = R::Shown;
        m.fieldOfViewRow = R::Hidden;
        m.mirror = R::Hidden;
        m.aiLight = R::Hidden;
        rows << m;
    }
    rows << focusCamera(ModelId::Lns410a, {0}, ModelPicture::Lns410a, StatusPoll::Always);
    for (ModelId id : {ModelId::Lns612, ModelId::Lns612Rev1}) {
        CameraModel m = record(id, {0}, ModelPicture::Arbor);
        m.hdMode = R::Shown;
        m.mirror = R::Shown;
        m.aiLight = R::Hidden;
        m.gesture = R::Hidden;
        if (id == ModelId::Lns612) {
            // Focus controls are offered, but focus is not read with the other properties.
            m.focusControls = true;
            m.statusPoll = StatusPoll::WhenGestureAnswers;
        }
        rows << m;
    }
    {
        CameraModel m = record(ModelId::Sightra5, {}, ModelPicture::None);
        rows << m;
    }
    for (ModelId id : {ModelId::Arbor50F, ModelId::Arbor50A, ModelId::Arbor110}) {
        CameraModel m = limitedCamera(id, {1}, id == ModelId::Arbor110 ? ModelPicture::Arbor : ModelPicture::Arbor50);
        // No mechanical pan, tilt, zoom or focus to read.
        m.cameraControls = false;
        rows << m;
    }
    {
        CameraModel m = record(ModelId::Arbor220, {1}, ModelPicture::Arbor);
        m.trackingOff = true;
        m.trackingDisabled = true;
        m.trackingMisreportFirmware = QStringLiteral("1.0.22");
        rows << m;
    }
    rows << record(ModelId::Arbor230, {1}, ModelPicture::Arbor);
    rows << record(ModelId::Arbor150A, {1}, ModelPicture::Arbor150);
    rows << record(ModelId::Arbor150F, {1}, ModelPicture::Arbor150);

    QMap<int, CameraModel> table;
    for (const CameraModel &m : qAsConst(rows))
        table.insert(m.number(), m);
    return table;
}

const QMap<int, CameraModel> &table()
{
    static const QMap<int, CameraModel> models = buildTable();
    return models;
}

} // namespace

const CameraModel &cameraModel(int model)
{
    static const CameraModel unknown;
    const auto it = table().constFind(model);
    return it == table().constEnd() ? unknown : it.value();
}

const CameraModel *cameraModelRows(int productLine, int model)
{
    const CameraModel &m = cameraModel(model);
    return m.arrangesLine(productLine) ? &m : nullptr;
}

#include "PlatformTestSupport.h"
#include "TestSupport.h"

#include "camera/UVCExtensionUnit.h"
#include "platform/Backend.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifier.h"
#include "platform/ScreenLock.h"
#include "platform/windows/WindowsCom.h"
#include "platform/windows/WindowsDeviceBroadcast.h"
#include "platform/windows/WindowsKsControl.h"
#include "platform/windows/WindowsKsTopologyInfo.h"
#include "platform/windows/WindowsScsiPassThrough.h"
#include "ui/DeviceChangeFilter.h"

#include <QtEndian>
#include <QtTest>

#include <cstring>
#include <functional>
#include <vector>

// The parts of the Windows backend that do not call the system: the adapters over the
// kernel-streaming interfaces (run here on fake COM objects), the 64-bit pass-through
// layout and the device-change broadcasts.

using namespace platformtest;

namespace {


std::uint32_t le32(const std::uint8_t *p)
{
    return qFromLittleEndian<quint32>(p);
}



bool sameIid(REFIID a, REFIID b)
{
    return platform::wincom::sameGuid(a, b);
}

// A COM object's reference count, observable by the test.
template <typename Base>
class FakeUnknown : public Base
{
public:
    virtual ~FakeUnknown() = default;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    int refs = 1; // the test's own reference
};

// The extension unit's property interface: records each request and answers from a
// handler (by default: the bytes 0xA0.. into the data, success).
class FakeKsControl : public FakeUnknown<IKsControl>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override
    {
        *object = nullptr;
        return HRESULT(0x80004002u);
    }
    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, void *data,
                                         ULONG dataLength, ULONG *bytesReturned) override
    {
        // The interface reads a structure: the block must be aligned for it.
        propertyAligned = reinterpret_cast<std::uintptr_t>(property) % alignof(KSPROPERTY) == 0;
        const auto *p = reinterpret_cast<const std::uint8_t *>(property);
        lastProperty.assign(p, p + propertyLength);
        const auto *d = static_cast<const std::uint8_t *>(data);
        lastData = d ? Bytes(d, d + dataLength) : Bytes();
        ++calls;
        if (answer)
            return answer(static_cast<std::uint8_t *>(data), dataLength, bytesReturned);
        for (ULONG i = 0; i < dataLength; ++i)
            static_cast<std::uint8_t *>(data)[i] = std::uint8_t(0xA0 + i);
        *bytesReturned = dataLength;
        return 0;
    }
    HRESULT STDMETHODCALLTYPE KsMethod(KSMETHOD *, ULONG, void *, ULONG, ULONG *) override { return -1; }
    HRESULT STDMETHODCALLTYPE KsEvent(KSEVENT *, ULONG, void *, ULONG, ULONG *) override { return -1; }

    std::function<HRESULT(std::uint8_t *, ULONG, ULONG *)> answer;
    Bytes lastProperty;
    Bytes lastData;
    bool propertyAligned = false;
    int calls = 0;
};

// A node instance: hands out the control interface when it has one.
class FakeNode : public FakeUnknown<IUnknown>
{
public:
    explicit FakeNode(FakeKsControl *control)
        : control(control)
    {
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        *object = nullptr;
        if (control && sameIid(iid, platform::wincom::kIidIKsControl)) {
            control->AddRef();
            *object = static_cast<IKsControl *>(control);
            return 0;
        }
        return HRESULT(0x80004002u);
    }
    FakeKsControl *control;
};

// A topology: node types by index, one node object for every index.
class FakeTopology : public FakeUnknown<IKsTopologyInfo>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override
    {
        *object = nullptr;
        return HRESULT(0x80004002u);
    }
    HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD *) override { return -1; }
    HRESULT STDMETHODCALLTYPE get_Category(DWORD, GUID *) override { return -1; }
    HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD *) override { return -1; }
    HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD, KSTOPOLOGY_CONNECTION *) override { return -1; }
    HRESULT STDMETHODCALLTYPE get_NodeName(DWORD, WCHAR *, DWORD, DWORD *) override { return -1; }
    HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD *count) override
    {
        *count = DWORD(types.size());
        return 0;
    }
    HRESULT STDMETHODCALLTYPE get_NodeType(DWORD node, GUID *type) override
    {
        if (node >= types.size())
            return HRESULT(0x80070057u);
        *type = types[node];
        return 0;
    }
    HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD node, REFIID iid, void **object) override
    {
        *object = nullptr;
        if (node >= types.size())
            return HRESULT(0x80070057u);
        createdFor.push_back(node);
        createdIidIsUnknown = sameIid(iid, platform::wincom::kIidIUnknown);
        node_.AddRef();
        *object = static_cast<IUnknown *>(&node_);
        return 0;
    }

    explicit FakeTopology(FakeKsControl *control)
        : node_(control)
    {
    }
    std::vector<GUID> types;
    std::vector<DWORD> createdFor;
    bool createdIidIsUnknown = false;
    FakeNode node_;
};

GUID guid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::initializer_list<std::uint8_t> d4)
{
    GUID g;
    g.Data1 = d1;
    g.Data2 = d2;
    g.Data3 = d3;
    std::copy(d4.begin(), d4.end(), g.Data4);
    return g;
}

// KSNODETYPE_DEV_SPECIFIC and two other node types a camera's topology has.
const GUID kDevSpecific = guid(0x941C7AC0, 0xC559, 0x11D0, {0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A, 0xC1});
const GUID kCameraTerminal = guid(0x00000000, 0x0000, 0x0000, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01});
const GUID kProcessing = guid(0x00000000, 0x0000, 0x0000, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02});

// The seam's media side over one fake topology: one camera whose activated source
// answers with the Windows topology adapter.
class TopologySource : public platform::MediaSource
{
public:
    explicit TopologySource(FakeTopology *topology)
        : m_topology(topology)
    {
    }
    platform::HResult createSourceReader() override { return platform::kSOk; }
    platform::HResult queryTopology(std::shared_ptr<platform::KsTopologyInfo> *topology) override
    {
        m_topology->AddRef();
        *topology = std::make_shared<platform::WindowsKsTopologyInfo>(platform::wincom::adopt<IKsTopologyInfo>(m_topology));
        return platform::kSOk;
    }

private:
    FakeTopology *m_topology;
};

class TopologyDevice : public platform::MediaDevice
{
public:
    explicit TopologyDevice(FakeTopology *topology)
        : m_topology(topology)
    {
    }
    platform::HResult friendlyName(QString *name) override
    {
        *name = QStringLiteral("Camera One");
        return platform::kSOk;
    }
    platform::HResult symbolicLink(QString *link) override
    {
        *link = QStringLiteral("\\\\?\\usb#vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000#{e5323777-f976-4f5b-9b55-b94699c46e44}\\global");
        return platform::kSOk;
    }
    platform::HResult activate(std::shared_ptr<platform::MediaSource> *source) override
    {
        *source = std::make_shared<TopologySource>(m_topology);
        return platform::kSOk;
    }

private:
    FakeTopology *m_topology;
};

class NoNotifier : public platform::DeviceNotifier
{
public:
    bool registerInterfaceClass(const QUuid &) override { return true; }
};

class TopologyBackend : public platform::Backend
{
public:
    explicit TopologyBackend(FakeTopology *topology)
        : m_topology(topology)
    {
    }
    QString name() const override { return QStringLiteral("topology"); }
    platform::HResult enumerateVideoInputDevices(QList<std::shared_ptr<platform::CaptureDevice>> *devices) override
    {
        devices->clear();
        return platform::kSOk;
    }
    platform::HResult createCaptureGraphBuilder() override { return platform::kSOk; }
    platform::HResult enumerateMediaDevices(QList<std::shared_ptr<platform::MediaDevice>> *devices,
                                            int *failedStep) override
    {
        *failedStep = -1;
        *devices = {std::make_shared<TopologyDevice>(m_topology)};
        return platform::kSOk;
    }
    std::shared_ptr<platform::Volume> openVolume(const QString &) override { return nullptr; }
    platform::DeviceNotifier *deviceNotifier() override { return &m_notifier; }
    platform::ScreenLock *screenLock() override { return &m_screenLock; }
    platform::CaptureInput captureInput(const QString &, const platform::CaptureOptions &) override { return {}; }

private:
    FakeTopology *m_topology;
    NoNotifier m_notifier;
    platform::ScreenLock m_screenLock;
};


const QString kCameraPath = QStringLiteral(
    "\\\\?\\USB#VID_3749&PID_030A&MI_00#7&2a1b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");



} // namespace

class TestWindowsBackend : public QObject
{
    Q_OBJECT

private slots:
    void standardPropertyRequestTravelsWhole();
    void valueRequestsAreLaidOutForTheInterface();
    void propertyRequestFailuresAndLimits();
    void extensionUnitRequestWalksTheTopology();
    void extensionUnitWithoutNodeOrControl();
    void passThroughInNativeLayout();
    void passThroughRefusesMalformedHeaders();
    void deviceBroadcastsDecoded();
    void registrationFilterLayout();
};

void TestWindowsBackend::standardPropertyRequestTravelsWhole()
{
    // The 40-byte camera-control request as the wrapper builds it (zoom, get, value 0,
    // flags and capabilities 2), at an odd address in one buffer for both blocks.
    std::uint8_t storage[48] = {};
    std::uint8_t *request = storage + 1;
    const Bytes set = guidBytes(0xC6E13370, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56});
    std::copy(set.begin(), set.end(), request);
    putLe32(request + 16, 3);
    putLe32(request + 20, 1);
    putLe32(request + 28, 2);
    putLe32(request + 32, 2);

    FakeKsControl fake;
    fake.answer = [](std::uint8_t *data, ULONG length, ULONG *returned) {
        putLe32(data + 24, 250); // value
        putLe32(data + 28, 1);   // automatic
        putLe32(data + 32, 3);   // capabilities
        *returned = length;
        return HRESULT(0);
    };
    {
        fake.AddRef();
        platform::WindowsKsControl control(platform::wincom::adopt<IKsControl>(&fake));
        std::uint32_t returned = 0;
        QCOMPARE(control.ksProperty(request, 40, request, 40, &returned), platform::HResult(0));
        QCOMPARE(returned, 40u);
    }
    QCOMPARE(fake.refs, 1); // the adapter released its reference

    QVERIFY(fake.propertyAligned);
    QCOMPARE(fake.lastProperty.size(), std::size_t(40));
    QVERIFY(std::equal(set.begin(), set.end(), fake.lastProperty.begin()));
    QCOMPARE(le32(fake.lastProperty.data() + 16), 3u);
    QCOMPARE(le32(fake.lastProperty.data() + 20), 1u);
    QCOMPARE(fake.lastData.size(), std::size_t(40));
    QCOMPARE(le32(fake.lastData.data() + 28), 2u);
    // The answer is back in the caller's bytes.
    QCOMPARE(le32(request + 24), 250u);
    QCOMPARE(le32(request + 28), 1u);
    QCOMPARE(le32(request + 32), 3u);
    QCOMPARE(storage[0], std::uint8_t(0));
    QCOMPARE(storage[41], std::uint8_t(0));
}

void TestWindowsBackend::valueRequestsAreLaidOutForTheInterface()
{
    using platform::PropertySet;
    using platform::WindowsKsControl;
    // A manual zoom write of 400: set, id 3, kind 2, value, flags 2 at 28 and 32.
    std::uint8_t buffer[40];
    std::fill(buffer, buffer + 40, std::uint8_t(0xEE));
    WindowsKsControl::packValueRequest(buffer, PropertySet::CameraControl, 3, 2, 400, 2);
    const Bytes zoomSet = {0x70, 0x33, 0xE1, 0xC6, 0xAC, 0x30, 0xD0, 0x11, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11,
                           0x89, 0x56, 3, 0, 0, 0, 2, 0, 0, 0, 0x90, 0x01, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,
                           0, 0, 0, 0};
    QCOMPARE(Bytes(buffer, buffer + 40), zoomSet);
    // White balance to automatic: the video-proc-amp set, a negative value kept whole.
    WindowsKsControl::packValueRequest(buffer, PropertySet::VideoProcAmp, 7, 2, -5, 1);
    const Bytes wbAuto = {0x60, 0x33, 0xE1, 0xC6, 0xAC, 0x30, 0xD0, 0x11, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11,
                          0x89, 0x56, 7, 0, 0, 0, 2, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 1, 0, 0, 0,
                          0, 0, 0, 0};
    QCOMPARE(Bytes(buffer, buffer + 40), wbAuto);

    // A read goes out as one 40-byte block for both header and data; the answer's value
    // and flags come back.
    FakeKsControl fake;
    fake.answer = [](std::uint8_t *data, ULONG length, ULONG *returned) {
        putLe32(data + 24, 250);
        putLe32(data + 28, 1);
        putLe32(data + 32, 3);
        *returned = length;
        return HRESULT(0);
    };
    fake.AddRef();
    WindowsKsControl control(platform::wincom::adopt<IKsControl>(&fake));
    std::int32_t value = 0;
    std::int32_t flags = 0;
    QCOMPARE(control.valueRequest(PropertySet::CameraControl, 6, 1, 17, 2, &value, &flags), platform::HResult(0));
    QCOMPARE(value, 250);
    QCOMPARE(flags, 1);
    const Bytes focusGet = {0x70, 0x33, 0xE1, 0xC6, 0xAC, 0x30, 0xD0, 0x11, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11,
                            0x89, 0x56, 6, 0, 0, 0, 1, 0, 0, 0, 17, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,
                            0, 0, 0, 0};
    QCOMPARE(fake.lastProperty, focusGet);
    QCOMPARE(fake.lastData, focusGet);
    QVERIFY(fake.propertyAligned);

    // A refused write: the device's status, and the request as the buffer holds it.
    fake.answer = [](std::uint8_t *, ULONG, ULONG *returned) {
        *returned = 0;
        return HRESULT(0x80070057u);
    };
    QCOMPARE(control.valueRequest(PropertySet::VideoProcAmp, 0, 2, 101, 2, &value, &flags),
             platform::HResult(0x80070057u));
    QCOMPARE(value, 101);
    QCOMPARE(flags, 2);
    QCOMPARE(fake.calls, 2);
}

void TestWindowsBackend::propertyRequestFailuresAndLimits()
{
    FakeKsControl fake;
    fake.AddRef();
    platform::WindowsKsControl control(platform::wincom::adopt<IKsControl>(&fake));
    std::uint8_t block[40] = {};
    std::uint32_t returned = 99;

    // A header shorter than a set, an id and a flags word never reaches the device.
    QCOMPARE(control.ksProperty(block, 23, block, 40, &returned), platform::HResult(0x80070057u));
    QCOMPARE(returned, 0u);
    QCOMPARE(control.ksProperty(nullptr, 40, block, 40, &returned), platform::HResult(0x80070057u));
    QCOMPARE(fake.calls, 0);

    // The device's own status comes back unchanged (a camera that left the bus).
    fake.answer = [](std::uint8_t *, ULONG, ULONG *returned) {
        *returned = 0;
        return HRESULT(0x8007048Fu);
    };
    QCOMPARE(control.ksProperty(block, 40, block, 40, &returned), platform::HResult(0x8007048Fu));
    QCOMPARE(fake.calls, 1);

    // A count beyond the buffer is not believed.
    fake.answer = [](std::uint8_t *, ULONG, ULONG *returned) {
        *returned = 4096;
        return HRESULT(0);
    };
    QCOMPARE(control.ksProperty(block, 32, block, 8, &returned), platform::HResult(0));
    QCOMPARE(returned, 8u);
}

void TestWindowsBackend::extensionUnitRequestWalksTheTopology()
{
    FakeKsControl control;
    FakeTopology topology(&control);
    topology.types = {kCameraTerminal, kProcessing, kDevSpecific, kDevSpecific};
    platform::setBackend(std::make_unique<TopologyBackend>(&topology));

    {
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(QStringLiteral("vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000"), QStringLiteral("Camera One")));
        std::uint8_t data[8] = {};
        std::uint32_t returned = 0;
        const QUuid set(QStringLiteral("{23E49ED0-1178-4F31-AE52-D2FB8A8D3B48}"));
        QCOMPARE(uvc.SetGetExtensionUnit(set, 2, 0x10000001u, data, 8, &returned), platform::HResult(0));
        QCOMPARE(returned, 8u);
        QCOMPARE(data[0], std::uint8_t(0xA0));
        QCOMPARE(data[7], std::uint8_t(0xA7));

        // The first device-specific node, created for IUnknown; the 32-byte node request.
        QCOMPARE(topology.createdFor, std::vector<DWORD>{2});
        QVERIFY(topology.createdIidIsUnknown);
        QCOMPARE(control.lastProperty.size(), std::size_t(32));
        const Bytes expectedSet =
            guidBytes(0x23E49ED0, 0x1178, 0x4F31, {0xAE, 0x52, 0xD2, 0xFB, 0x8A, 0x8D, 0x3B, 0x48});
        QVERIFY(std::equal(expectedSet.begin(), expectedSet.end(), control.lastProperty.begin()));
        QCOMPARE(le32(control.lastProperty.data() + 16), 2u);
        QCOMPARE(le32(control.lastProperty.data() + 20), 0x10000001u);
        QCOMPARE(le32(control.lastProperty.data() + 24), 2u);

        // A write carries its bytes; nothing of the walk is kept between requests.
        std::uint8_t command[8] = {0x5A, 1, 2, 3, 4, 5, 6, 7};
        QCOMPARE(uvc.SetGetExtensionUnit(set, 1, 0x10000002u, command, 8, &returned), platform::HResult(0));
        QCOMPARE(le32(control.lastProperty.data() + 20), 0x10000002u);
        QCOMPARE(control.lastData, (Bytes{0x5A, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(topology.createdFor, (std::vector<DWORD>{2, 2}));

        // Every interface obtained for a request was released before it returned.
        QCOMPARE(topology.refs, 1);
        QCOMPARE(topology.node_.refs, 1);
        QCOMPARE(control.refs, 1);
    }
    platform::setBackend(nullptr);
}

void TestWindowsBackend::extensionUnitWithoutNodeOrControl()
{
    const QUuid set(QStringLiteral("{23E49ED0-1178-4F31-AE52-D2FB8A8D3B48}"));
    std::uint8_t data[8] = {};
    std::uint32_t returned = 0;

    // No device-specific node: E_FAIL, no node created.
    FakeKsControl control;
    FakeTopology plain(&control);
    plain.types = {kCameraTerminal, kProcessing};
    platform::setBackend(std::make_unique<TopologyBackend>(&plain));
    {
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(QString(), QStringLiteral("Camera One")));
        QCOMPARE(uvc.SetGetExtensionUnit(set, 2, 0x10000001u, data, 8, &returned), platform::HResult(0x80004005u));
        QVERIFY(plain.createdFor.empty());
        QCOMPARE(control.calls, 0);
        QCOMPARE(plain.refs, 1);
    }

    // A node that offers no property interface: the query's own code, nothing leaked.
    FakeTopology bare(nullptr);
    bare.types = {kDevSpecific};
    platform::setBackend(std::make_unique<TopologyBackend>(&bare));
    {
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(QString(), QStringLiteral("Camera One")));
        QCOMPARE(uvc.SetGetExtensionUnit(set, 2, 0x10000001u, data, 8, &returned), platform::HResult(0x80004002u));
        QCOMPARE(bare.createdFor, std::vector<DWORD>{0});
        QCOMPARE(bare.refs, 1);
        QCOMPARE(bare.node_.refs, 1);
    }
    platform::setBackend(nullptr);
}

void TestWindowsBackend::passThroughInNativeLayout()
{
    // INQUIRY: 36 bytes in, as the transport sends it (input: the header alone).
    Bytes caller = passThrough(1, 36, {0x12, 0, 0, 0, 36, 0});
    std::vector<std::uint8_t> native;
    QVERIFY(platform::WindowsScsiPassThrough::toNative(caller.data(), std::uint32_t(caller.size()), &native));
    QCOMPARE(native.size(), caller.size() + 16);
    QCOMPARE(qFromLittleEndian<quint16>(native.data()), quint16(56));
    QCOMPARE(native[4], std::uint8_t(1));  // target
    QCOMPARE(native[6], std::uint8_t(6));  // CDB length
    QCOMPARE(native[7], std::uint8_t(24)); // sense length
    QCOMPARE(native[8], std::uint8_t(1));  // data in
    QCOMPARE(le32(native.data() + 12), 36u);
    QCOMPARE(le32(native.data() + 16), 10u);
    QCOMPARE(le32(native.data() + 24), 96u); // the pointer-sized data offset
    QCOMPARE(le32(native.data() + 28), 0u);
    QCOMPARE(le32(native.data() + 32), 64u);
    QCOMPARE(native[36], std::uint8_t(0x12));
    QCOMPARE(native[40], std::uint8_t(36));
    QCOMPARE(platform::WindowsScsiPassThrough::nativeInputLength(44), 56u);
    QCOMPARE(platform::WindowsScsiPassThrough::nativeInputLength(116), 132u);

    // The driver answers: CHECK CONDITION with sense, 20 bytes of data.
    native[2] = 0x02;
    native[7] = 18;
    putLe32(native.data() + 12, 20);
    native[64] = 0x70;
    native[66] = 0x05;
    for (int i = 0; i < 20; ++i)
        native[96 + std::size_t(i)] = std::uint8_t(0x30 + i);
    std::uint32_t returned = 0;
    platform::WindowsScsiPassThrough::fromNative(native, 96 + 20, caller.data(), std::uint32_t(caller.size()),
                                                 &returned);
    QCOMPARE(caller[2], std::uint8_t(0x02));
    QCOMPARE(caller[7], std::uint8_t(18));
    QCOMPARE(le32(caller.data() + 12), 20u);
    QCOMPARE(qFromLittleEndian<quint16>(caller.data()), quint16(44));
    QCOMPARE(le32(caller.data() + 20), 80u); // the caller's own offsets stay
    QCOMPARE(caller[48], std::uint8_t(0x70));
    QCOMPARE(caller[50], std::uint8_t(0x05));
    QCOMPARE(caller[80], std::uint8_t(0x30));
    QCOMPARE(caller[99], std::uint8_t(0x43));
    QCOMPARE(returned, 100u);

    // Data out: the bytes to write are in the moved data area.
    Bytes write = passThrough(0, 4, {0xE8, 0x01});
    write[80] = 0xDE;
    write[83] = 0xEF;
    QVERIFY(platform::WindowsScsiPassThrough::toNative(write.data(), std::uint32_t(write.size()), &native));
    QCOMPARE(native[8], std::uint8_t(0));
    QCOMPARE(native[96], std::uint8_t(0xDE));
    QCOMPARE(native[99], std::uint8_t(0xEF));
}

void TestWindowsBackend::passThroughRefusesMalformedHeaders()
{
    std::vector<std::uint8_t> native;
    const auto refused = [&native](Bytes b) {
        return !platform::WindowsScsiPassThrough::toNative(b.data(), std::uint32_t(b.size()), &native);
    };
    Bytes good = passThrough(1, 36, {0x12, 0, 0, 0, 36, 0});
    QVERIFY(!refused(good));

    Bytes b = good;
    qToLittleEndian<quint16>(56, b.data()); // already the native length: not this layout
    QVERIFY(refused(b));
    b = good;
    b[6] = 0;
    QVERIFY(refused(b));
    b = good;
    b[6] = 17;
    QVERIFY(refused(b));
    b = good;
    putLe32(b.data() + 12, 37); // data beyond the buffer
    QVERIFY(refused(b));
    b = good;
    putLe32(b.data() + 20, 0xFFFFFFF0u);
    QVERIFY(refused(b));
    b = good;
    putLe32(b.data() + 20, 8); // data inside the header
    QVERIFY(refused(b));
    b = good;
    putLe32(b.data() + 24, 100); // sense beyond the buffer
    QVERIFY(refused(b));
    QVERIFY(refused(Bytes(43, 0)));
}

void TestWindowsBackend::deviceBroadcastsDecoded()
{
    platform::DeviceChange change;

    // A camera's capture interface arriving, through the hot-plug filter.
    const Bytes arrival = interfaceBroadcast(kCaptureClassBytes, kCameraPath);
    QVERIFY(platform::WindowsDeviceBroadcast::decode(0x8000, arrival.data(), &change));
    QCOMPARE(change.event, 0x8000u);
    QCOMPARE(change.deviceType, 5u);
    QCOMPARE(change.classGuid, QUuid(QStringLiteral("{65E8773D-8F56-11D0-A3B9-00A0C9223196}")));
    QCOMPARE(change.name, kCameraPath);
    const devicechange::Verdict verdict = devicechange::classifyDeviceChange(change);
    QCOMPARE(verdict.kind, devicechange::Verdict::Camera);
    QVERIFY(verdict.plug);
    QCOMPARE(verdict.path, kCameraPath.toLower());

    const Bytes removal = interfaceBroadcast(kCaptureClassBytes, kCameraPath);
    QVERIFY(platform::WindowsDeviceBroadcast::decode(0x8004, removal.data(), &change));
    QVERIFY(!devicechange::classifyDeviceChange(change).plug);
    QCOMPARE(devicechange::classifyDeviceChange(change).kind, devicechange::Verdict::Camera);

    // A path without its NUL is read only as far as the structure's size.
    Bytes unterminated = interfaceBroadcast(kCaptureClassBytes, QStringLiteral("\\\\?\\usb#x"), false);
    unterminated.insert(unterminated.end(), {0x41, 0x00, 0x42, 0x00, 0x00, 0x00});
    QVERIFY(platform::WindowsDeviceBroadcast::decode(0x8000, unterminated.data(), &change));
    QCOMPARE(change.name, QStringLiteral("\\\\?\\usb#x"));

    // A volume broadcast (device type 2) has no class or path.
    Bytes volume(20, 0);
    putLe32(volume.data(), 20);
    putLe32(volume.data() + 4, 2);
    QVERIFY(platform::WindowsDeviceBroadcast::decode(0x8000, volume.data(), &change));
    QCOMPARE(change.deviceType, 2u);
    QVERIFY(change.name.isEmpty());
    QVERIFY(change.classGuid.isNull());
    QCOMPARE(devicechange::classifyDeviceChange(change).kind, devicechange::Verdict::PassOn);

    // No structure (DBT_DEVNODES_CHANGED) or a header too short to read.
    QVERIFY(!platform::WindowsDeviceBroadcast::decode(0x0007, nullptr, &change));
    QCOMPARE(change.event, 0x0007u);
    Bytes shortHeader(12, 0);
    putLe32(shortHeader.data(), 8);
    QVERIFY(!platform::WindowsDeviceBroadcast::decode(0x8000, shortHeader.data(), &change));
}

void TestWindowsBackend::registrationFilterLayout()
{
    const QByteArray filter = platform::WindowsDeviceBroadcast::registrationFilter(
        QUuid(QStringLiteral("{A5DCBF10-6530-11D2-901F-00C04FB951ED}")));
    QCOMPARE(filter.size(), 32);
    const auto *p = reinterpret_cast<const std::uint8_t *>(filter.constData());
    QCOMPARE(le32(p), 32u);
    QCOMPARE(le32(p + 4), 5u);
    QCOMPARE(le32(p + 8), 0u);
    const Bytes usb = guidBytes(0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED});
    QVERIFY(std::equal(usb.begin(), usb.end(), p + 12));
    QCOMPARE(qFromLittleEndian<quint16>(p + 28), quint16(0));

    // The filter decodes as the broadcast of its own class.
    platform::DeviceChange change;
    QVERIFY(platform::WindowsDeviceBroadcast::decode(0x8000, filter.constData(), &change));
    QCOMPARE(change.classGuid, QUuid(QStringLiteral("{A5DCBF10-6530-11D2-901F-00C04FB951ED}")));
    QVERIFY(change.name.isEmpty());
}

LENSDESK_TEST_MAIN(TestWindowsBackend)
#include "tst_windowsbackend.moc"

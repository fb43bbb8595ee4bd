#pragma once
// The COM and kernel-streaming declarations the Windows backend's adapters use. On
// Windows they come from the system headers; elsewhere the same shapes are declared
// here, so that the adapters (topology walk, node and property requests) run against
// fake objects in the ordinary test suite.
#include <QUuid>

#include <cstdint>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#include <unknwn.h>
#include <ks.h>
#include <ksproxy.h>
#else
using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using WCHAR = char16_t;
struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using REFIID = const IID &;
#define STDMETHODCALLTYPE

struct IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};

struct KSIDENTIFIER
{
    GUID Set;
    ULONG Id;
    ULONG Flags;
};
using KSPROPERTY = KSIDENTIFIER;
using PKSPROPERTY = KSPROPERTY *;
using KSMETHOD = KSIDENTIFIER;
using KSEVENT = KSIDENTIFIER;

struct KSTOPOLOGY_CONNECTION
{
    ULONG FromNode;
    ULONG FromNodePin;
    ULONG ToNode;
    ULONG ToNodePin;
};

struct IKsControl : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, void *data,
                                                 ULONG dataLength, ULONG *bytesReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE KsMethod(KSMETHOD *method, ULONG methodLength, void *data,
                                               ULONG dataLength, ULONG *bytesReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE KsEvent(KSEVENT *event, ULONG eventLength, void *data,
                                              ULONG dataLength, ULONG *bytesReturned) = 0;

protected:
    ~IKsControl() = default;
};
#endif

// The kernel-streaming topology of a filter or media source. MinGW's headers do not
// declare it; the methods are in the documented order of the interface.
struct IKsTopologyInfo : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD *count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Category(DWORD index, GUID *category) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD *count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD index, KSTOPOLOGY_CONNECTION *connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NodeName(DWORD node, WCHAR *name, DWORD bufferSize,
                                                   DWORD *nameLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD *count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NodeType(DWORD node, GUID *type) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD node, REFIID iid, void **object) = 0;

protected:
    ~IKsTopologyInfo() = default;
};

namespace platform::wincom {

// Interface identifiers, defined here so that no GUID library is needed.
extern const GUID kIidIUnknown;       // {00000000-0000-0000-C000-000000000046}
extern const GUID kIidIKsControl;     // {28F54685-06FD-11D2-B27A-00A0C9223196}
extern const GUID kIidIKsTopologyInfo; // {720D4AC0-7533-11D0-A5D6-28DB04C10000}

QUuid toUuid(const GUID &guid);
GUID toGuid(const QUuid &uuid);
bool sameGuid(const GUID &a, const GUID &b);

// Holds an interface pointer the caller owns a reference to, and releases it when the
// last holder lets go.
template <typename Interface>
std::shared_ptr<Interface> adopt(Interface *pointer)
{
    return std::shared_ptr<Interface>(pointer, [](Interface *p) {
        if (p)
            p->Release();
    });
}

} // namespace platform::wincom

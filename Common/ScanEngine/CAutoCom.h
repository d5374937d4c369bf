// The communications object: a COM object served by "libvorn.dll" (registered together with
// "zocomm.dll"), created on a thread of its own, configured for a direct or a proxy connection and
// handed to another thread of the process through a marshalled stream.
#pragma once

#include <objbase.h>

#include <cstddef>
#include <cstdint>
#include <string>

class TessalyConfig;

// Size tag of ProxyRecord; any other tag makes CAutoCom::Create fail with 87.
constexpr uint32_t kProxyRecordSize = 1572;

// Proxy record passed by address to CAutoCom::Create. Texts are UTF-16, NUL-terminated, at most 259
// characters. Fixed layout, the same for 32-bit and 64-bit builds.
struct ProxyRecord {
    uint32_t size;          // kProxyRecordSize
    wchar_t server[260];    // ProxyServer
    int32_t port;           // ProxyPort as a decimal number
    wchar_t user[260];      // ProxyUser
    wchar_t password[262];  // ProxyPassword
};
static_assert(sizeof(wchar_t) == 2, "UTF-16 texts");
static_assert(sizeof(ProxyRecord) == 1572, "proxy record size");
static_assert(offsetof(ProxyRecord, size) == 0, "size offset");
static_assert(offsetof(ProxyRecord, server) == 4, "server offset");
static_assert(offsetof(ProxyRecord, port) == 524, "port offset");
static_assert(offsetof(ProxyRecord, user) == 528, "user offset");
static_assert(offsetof(ProxyRecord, password) == 1048, "password offset");

// Fills the record from the configuration's ProxyServer, ProxyPort, ProxyUser and ProxyPassword
// (texts cut to 259 characters, the port read as a decimal number, 0 when it is none).
void FillProxyRecord(const TessalyConfig& config, ProxyRecord& record);

class CAutoCom {
public:
    CAutoCom() = default;
    ~CAutoCom();
    CAutoCom(const CAutoCom&) = delete;
    CAutoCom& operator=(const CAutoCom&) = delete;

    // Creates the object on the calling thread (initialising COM there as a single-threaded apartment):
    // direct connection without a record, the record's proxy otherwise. On success the main interface
    // waits in the stream for GetComm. Returns 0, 87 for a record whose size is not 1572, or the failing
    // HRESULT (0x80040154 when the class is not registered).
    int Create(const ProxyRecord* record);

    // The main interface for the calling thread, or null. Consumes the stream (one call per Create).
    // A thread without COM gets a single-threaded apartment here, which it ends with CoUninitialize
    // after releasing the pointer; a thread that already uses COM keeps its apartment as it was.
    IUnknown* GetComm();

    // Releases the stream (and with it the object, when nobody took it) and ends COM use on the thread
    // that called Create. Call it on that thread.
    void Release();

private:
    IStream* stream_ = nullptr;
    bool comInitialised_ = false;
};

// Loads the library with the altered search path and calls its DllRegisterServer (DllUnregisterServer).
// True only when the export exists and succeeds; the library is unloaded in every case.
bool RegisterLib(const std::wstring& path);
bool UnRegisterLib(const std::wstring& path);

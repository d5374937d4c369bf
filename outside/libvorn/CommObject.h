// The maker's communications object, served in process by "libvorn.dll" (registered together with
// "zocomm.dll"). Shared by the server and its callers: the class and interface identifiers, the two
// interfaces and the vtable slots a caller may rely on.
//
// ICommSettings is the connection-settings interface. Callers that know it only by its identifier call
// slots 12 to 16 by index (see CommSettingsSlot); the slots before 12 are read-back and tuning methods.
#pragma once

#include <objbase.h>
#include <oleauto.h>

// {A5DE3A6B-8661-4D22-9305-D18029CB252A}: the communications object, created in process.
inline constexpr CLSID CLSID_CommObject = {0xA5DE3A6B, 0x8661, 0x4D22,
                                           {0x93, 0x05, 0xD1, 0x80, 0x29, 0xCB, 0x25, 0x2A}};
// {41524153-C449-4344-BF49-08EEE6DECFE6}: the main interface, the one handed to the scanning engine.
inline constexpr IID IID_ICommObject = {0x41524153, 0xC449, 0x4344,
                                        {0xBF, 0x49, 0x08, 0xEE, 0xE6, 0xDE, 0xCF, 0xE6}};
// {B4FCF314-A36D-45A7-8D2A-1CE561BA68B6}: the connection-settings interface.
inline constexpr IID IID_ICommSettings = {0xB4FCF314, 0xA36D, 0x45A7,
                                          {0x8D, 0x2A, 0x1C, 0xE5, 0x61, 0xBA, 0x68, 0xB6}};

// Text forms, as they appear under HKCR\CLSID.
#define COMM_OBJECT_CLSID_TEXT L"{A5DE3A6B-8661-4D22-9305-D18029CB252A}"
#define COMM_OBJECT_CLSID_KEY L"CLSID\\" COMM_OBJECT_CLSID_TEXT
#define COMM_OBJECT_SERVER_KEY COMM_OBJECT_CLSID_KEY L"\\InprocServer32"
#define COMM_OBJECT_THREADING_MODEL L"Both"

// Open types for slot 16 (the values of WinINet's access types).
enum CommOpenType : LONG {
    kCommOpenPreconfig = 0,
    kCommOpenDirect = 1,
    kCommOpenProxy = 3,
    kCommOpenPreconfigNoAutoProxy = 4,
};

// Slots of ICommSettings that callers use by index.
enum CommSettingsSlot : int {
    kSlotSetProxyServer = 12,   // HRESULT (BSTR server)
    kSlotSetProxyPort = 13,     // HRESULT (LONG port), 0..65535
    kSlotSetProxyUser = 14,     // HRESULT (BSTR user)
    kSlotSetProxyPassword = 15, // HRESULT (BSTR password)
    kSlotSetOpenType = 16,      // HRESULT (LONG openType), a CommOpenType
    kCommSettingsSlotCount = 17,
};

// Main interface. Thread-agnostic: the object aggregates the free-threaded marshaler, so a pointer
// marshalled to another thread of the process calls the object directly on that thread.
struct ICommObject : public IUnknown {
    // Asks the audit server about one item (a detection reference, a hash...). verdict receives the
    // server's answer: 0 unknown/clean, other values as the server defines them.
    virtual HRESULT STDMETHODCALLTYPE Check(BSTR item, LONG* verdict) = 0;
    // The connection the object would use now. Any out pointer may be null; BSTRs are the caller's.
    virtual HRESULT STDMETHODCALLTYPE GetConnection(LONG* openType, BSTR* proxyServer, LONG* proxyPort,
                                                    BSTR* proxyUser) = 0;
    // Number of Check calls answered by this object so far.
    virtual HRESULT STDMETHODCALLTYPE GetCheckCount(LONG* count) = 0;
};

// Connection-settings interface: 17 slots, IUnknown's three, nine of its own, then the five setters.
struct ICommSettings : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetOpenType(LONG* openType) = 0;           // slot 3
    virtual HRESULT STDMETHODCALLTYPE GetProxyServer(BSTR* server) = 0;          // slot 4
    virtual HRESULT STDMETHODCALLTYPE GetProxyPort(LONG* port) = 0;              // slot 5
    virtual HRESULT STDMETHODCALLTYPE GetProxyUser(BSTR* user) = 0;              // slot 6
    virtual HRESULT STDMETHODCALLTYPE HasProxyPassword(VARIANT_BOOL* has) = 0;   // slot 7
    virtual HRESULT STDMETHODCALLTYPE GetTimeout(LONG* seconds) = 0;             // slot 8
    virtual HRESULT STDMETHODCALLTYPE SetTimeout(LONG seconds) = 0;              // slot 9
    virtual HRESULT STDMETHODCALLTYPE GetServerUrl(BSTR* url) = 0;               // slot 10
    virtual HRESULT STDMETHODCALLTYPE SetServerUrl(BSTR url) = 0;                // slot 11
    virtual HRESULT STDMETHODCALLTYPE SetProxyServer(BSTR server) = 0;           // slot 12
    virtual HRESULT STDMETHODCALLTYPE SetProxyPort(LONG port) = 0;               // slot 13
    virtual HRESULT STDMETHODCALLTYPE SetProxyUser(BSTR user) = 0;               // slot 14
    virtual HRESULT STDMETHODCALLTYPE SetProxyPassword(BSTR password) = 0;       // slot 15
    virtual HRESULT STDMETHODCALLTYPE SetOpenType(LONG openType) = 0;            // slot 16
};

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ICommObject, 0x41524153, 0xC449, 0x4344, 0xBF, 0x49, 0x08, 0xEE, 0xE6, 0xDE, 0xCF, 0xE6)
__CRT_UUID_DECL(ICommSettings, 0xB4FCF314, 0xA36D, 0x45A7, 0x8D, 0x2A, 0x1C, 0xE5, 0x61, 0xBA, 0x68, 0xB6)
#endif

// Files of the development stand-in, beside the DLL (formats in outside/libvorn/README.md).
#define COMM_OBJECT_JOURNAL_FILE L"libvorn_journal.txt"
#define COMM_OBJECT_SCENARIO_FILE L"libvorn_scenario.ini"

// The WinINet and urlmon calls of the HTTP transport and the connection test, as one table of
// function pointers. The real calls are the default; tests install a table of their own to script
// the server's side (resends, failures) and to read the request bytes.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

struct WinInetApi {
    HINTERNET(WINAPI* InternetOpenA)(LPCSTR agent, DWORD type, LPCSTR proxy, LPCSTR bypass, DWORD flags);
    HINTERNET(WINAPI* InternetConnectA)(HINTERNET session, LPCSTR host, INTERNET_PORT port, LPCSTR user,
                                        LPCSTR password, DWORD service, DWORD flags, DWORD_PTR context);
    BOOL(WINAPI* InternetSetOptionA)(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length);
    HINTERNET(WINAPI* HttpOpenRequestA)(HINTERNET connection, LPCSTR verb, LPCSTR object, LPCSTR version,
                                        LPCSTR referrer, LPCSTR* acceptTypes, DWORD flags, DWORD_PTR context);
    BOOL(WINAPI* HttpAddRequestHeadersA)(HINTERNET request, LPCSTR headers, DWORD length, DWORD modifiers);
    BOOL(WINAPI* HttpSendRequestA)(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID body,
                                   DWORD bodyLength);
    BOOL(WINAPI* HttpSendRequestExA)(HINTERNET request, LPINTERNET_BUFFERSA in, LPINTERNET_BUFFERSA out,
                                     DWORD flags, DWORD_PTR context);
    BOOL(WINAPI* InternetWriteFile)(HINTERNET request, LPCVOID data, DWORD size, LPDWORD written);
    BOOL(WINAPI* HttpEndRequestA)(HINTERNET request, LPINTERNET_BUFFERSA out, DWORD flags, DWORD_PTR context);
    BOOL(WINAPI* HttpQueryInfoA)(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length, LPDWORD index);
    BOOL(WINAPI* InternetReadFile)(HINTERNET request, LPVOID buffer, DWORD size, LPDWORD read);
    BOOL(WINAPI* InternetCloseHandle)(HINTERNET handle);
    // Content type of the file part; false when sniffing gives none.
    bool (*SniffMime)(const void* data, DWORD size, std::string& mime);
};

// The session, connection and request of one operation, closed in that order.
struct InetHandles {
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    InetHandles() = default;
    InetHandles(const InetHandles&) = delete;
    InetHandles& operator=(const InetHandles&) = delete;
    ~InetHandles();
};

// The table in use.
const WinInetApi& Inet();
// Installs a table (tests); null restores the real calls.
void SetWinInetApi(const WinInetApi* api);
const WinInetApi& RealWinInetApi();

// The multipart boundary of one upload. Tests may fix it; null restores the GUID-based maker.
typedef bool (*BoundaryMaker)(std::string& boundary);
bool CreateBoundary(std::string& boundary);
void SetBoundaryMaker(BoundaryMaker maker);

#include "WinInetApi.h"

#include <objbase.h>
#include <urlmon.h>

#include <cstdio>

#include "Text.h"

namespace {

bool RealSniffMime(const void* data, DWORD size, std::string& mime)
{
    LPWSTR found = nullptr;
    HRESULT hr = FindMimeFromData(nullptr, nullptr, const_cast<void*>(data), size, nullptr, 0, &found, 0);
    if (FAILED(hr) || !found)
        return false;
    mime = WideToAnsi(found);
    CoTaskMemFree(found);
    return !mime.empty();
}

const WinInetApi kReal = {
    ::InternetOpenA,      ::InternetConnectA,  ::InternetSetOptionA, ::HttpOpenRequestA,
    ::HttpAddRequestHeadersA, ::HttpSendRequestA, ::HttpSendRequestExA, ::InternetWriteFile,
    ::HttpEndRequestA,    ::HttpQueryInfoA,    ::InternetReadFile,   ::InternetCloseHandle,
    RealSniffMime,
};

const WinInetApi* g_api = &kReal;

bool GuidBoundary(std::string& boundary)
{
    GUID g;
    if (FAILED(CoCreateGuid(&g)))
        return false;
    char text[64];
    snprintf(text, sizeof(text), "----MORVIK-%.08lx%.04x%.04x%.02x%.02x%.02x%.02x%.02x%.02x%.02x%.02x-",
             static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
             g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    boundary = text;
    return true;
}

BoundaryMaker g_boundary = GuidBoundary;

} // namespace

const WinInetApi& Inet() { return *g_api; }
void SetWinInetApi(const WinInetApi* api) { g_api = api ? api : &kReal; }
const WinInetApi& RealWinInetApi() { return kReal; }

bool CreateBoundary(std::string& boundary) { return g_boundary(boundary); }
void SetBoundaryMaker(BoundaryMaker maker) { g_boundary = maker ? maker : GuidBoundary; }

InetHandles::~InetHandles()
{
    if (request)
        Inet().InternetCloseHandle(request);
    if (connection)
        Inet().InternetCloseHandle(connection);
    if (session)
        Inet().InternetCloseHandle(session);
}

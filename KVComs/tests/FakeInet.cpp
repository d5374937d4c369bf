#include "FakeInet.h"

#include <cstring>

#include "WinInetApi.h"

const char kFixedBoundary[] = "----MORVIK-00112233445566778899aabbccddeeff-";

namespace {

FakeInet* g_fake = nullptr;
size_t g_endCalls = 0;
FakeAnswer g_current;
size_t g_readOffset = 0;
int g_reads = 0;

// Handles: 1 session, 2 connection, 3 request.
HINTERNET Handle(int n) { return reinterpret_cast<HINTERNET>(static_cast<INT_PTR>(n)); }
FakeRequest& Current() { return g_fake->requests.back(); }

HINTERNET WINAPI Open(LPCSTR agent, DWORD type, LPCSTR proxy, LPCSTR, DWORD)
{
    if (g_fake->failOpen) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return nullptr;
    }
    g_fake->requests.emplace_back();
    Current().agent = agent ? agent : "";
    Current().openType = type;
    Current().proxyText = proxy ? proxy : "";
    g_endCalls = 0;
    return Handle(1);
}

HINTERNET WINAPI Connect(HINTERNET, LPCSTR host, INTERNET_PORT port, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR)
{
    if (g_fake->failConnect) {
        SetLastError(ERROR_INTERNET_CANNOT_CONNECT);
        return nullptr;
    }
    Current().host = host;
    Current().port = port;
    return Handle(2);
}

BOOL WINAPI SetOption(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length)
{
    std::string value(static_cast<const char*>(buffer), length);
    INT_PTR n = reinterpret_cast<INT_PTR>(handle);
    (n == 1 ? Current().sessionOptions : n == 2 ? Current().connectionOptions : Current().requestOptions)[option] = value;
    return TRUE;
}

HINTERNET WINAPI OpenRequest(HINTERNET, LPCSTR verb, LPCSTR object, LPCSTR, LPCSTR, LPCSTR*, DWORD, DWORD_PTR)
{
    Current().verb = verb;
    Current().object = object ? object : "";
    return Handle(3);
}

BOOL WINAPI AddHeaders(HINTERNET, LPCSTR headers, DWORD length, DWORD)
{
    Current().headers.push_back(std::string(headers, length));
    return TRUE;
}

void Finish()
{
    g_current = g_fake->answer ? g_fake->answer(Current()) : FakeAnswer();
    g_readOffset = 0;
    g_reads = 0;
}

BOOL WINAPI SendRequest(HINTERNET, LPCSTR, DWORD, LPVOID, DWORD)
{
    Finish();
    return TRUE;
}

BOOL WINAPI SendRequestEx(HINTERNET, LPINTERNET_BUFFERSA in, LPINTERNET_BUFFERSA, DWORD, DWORD_PTR)
{
    Current().declaredLengths.push_back(in->dwBufferTotal);
    Current().bodies.emplace_back();
    return TRUE;
}

BOOL WINAPI Write(HINTERNET, LPCVOID data, DWORD size, LPDWORD written)
{
    Current().bodies.back().append(static_cast<const char*>(data), size);
    *written = size;
    return TRUE;
}

BOOL WINAPI EndRequest(HINTERNET, LPINTERNET_BUFFERSA, DWORD, DWORD_PTR)
{
    size_t call = g_endCalls++;
    DWORD error = call < g_fake->endErrors.size() ? g_fake->endErrors[call] : 0;
    if (error != 0) {
        SetLastError(error);
        return FALSE;
    }
    Finish();
    return TRUE;
}

BOOL WINAPI QueryInfo(HINTERNET, DWORD level, LPVOID buffer, LPDWORD length, LPDWORD)
{
    if (level & HTTP_QUERY_FLAG_NUMBER) {
        *static_cast<DWORD*>(buffer) = g_current.status;
        return TRUE;
    }
    std::string text = std::to_string(g_current.status);
    memcpy(buffer, text.c_str(), text.size() + 1);
    *length = static_cast<DWORD>(text.size());
    return TRUE;
}

BOOL WINAPI Read(HINTERNET, LPVOID buffer, DWORD size, LPDWORD read)
{
    if (g_current.readFailsAfterFirstChunk && g_reads++ > 0) {
        SetLastError(ERROR_INTERNET_CONNECTION_RESET);
        return FALSE;
    }
    size_t n = std::min<size_t>(size, g_current.body.size() - g_readOffset);
    if (g_current.readFailsAfterFirstChunk)
        n = std::min<size_t>(n, 3);
    memcpy(buffer, g_current.body.data() + g_readOffset, n);
    g_readOffset += n;
    *read = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WINAPI Close(HINTERNET)
{
    Current().closed++;
    return TRUE;
}

bool Sniff(const void*, DWORD, std::string& mime)
{
    mime = g_fake->mime;
    return !mime.empty();
}

const WinInetApi kFake = {Open, Connect, SetOption, OpenRequest, AddHeaders, SendRequest, SendRequestEx,
                          Write, EndRequest, QueryInfo, Read, Close, Sniff};

bool FixedBoundary(std::string& boundary)
{
    boundary = kFixedBoundary;
    return true;
}

} // namespace

std::string FilePartContent(const std::string& body)
{
    size_t start = body.find("\r\n\r\n");
    size_t end = body.find(std::string("\r\n--") + kFixedBoundary, start);
    if (start == std::string::npos || end == std::string::npos)
        return std::string();
    return body.substr(start + 4, end - start - 4);
}

FakeInet::FakeInet()
{
    answer = [](const FakeRequest& r) {
        FakeAnswer a;
        if (!r.bodies.empty())
            a.body = std::to_string(FilePartContent(r.bodies.back()).size());
        return a;
    };
    g_fake = this;
    SetWinInetApi(&kFake);
    SetBoundaryMaker(FixedBoundary);
}

FakeInet::~FakeInet()
{
    SetWinInetApi(nullptr);
    SetBoundaryMaker(nullptr);
    g_fake = nullptr;
}

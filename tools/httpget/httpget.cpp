// httpget URL OUT
// Fetches URL through WinINet and writes the body to OUT. Exit code: 0 on HTTP 200, the HTTP
// status otherwise, or 1 when the request itself failed (the WinINet error is printed).

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: httpget URL OUT\n");
        return 2;
    }
    HINTERNET net = InternetOpenA("httpget", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET request = net ? InternetOpenUrlA(net, argv[1], nullptr, 0,
                                               INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0)
                            : nullptr;
    if (!request) {
        std::fprintf(stderr, "request failed: %lu\n", GetLastError());
        if (net)
            InternetCloseHandle(net);
        return 1;
    }
    DWORD status = 0, size = sizeof status;
    HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
    std::ofstream out(argv[2], std::ios::binary);
    char buffer[4096];
    DWORD got = 0;
    while (InternetReadFile(request, buffer, sizeof buffer, &got) && got)
        out.write(buffer, got);
    InternetCloseHandle(request);
    InternetCloseHandle(net);
    std::printf("HTTP %lu\n", status);
    return status == 200 ? 0 : static_cast<int>(status);
}

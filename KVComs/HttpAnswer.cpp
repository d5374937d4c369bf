#include "HttpAnswer.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "Text.h"
#include "WinInetApi.h"

namespace {

bool QueryStatus(HINTERNET request, DWORD& status)
{
    status = 0;
    DWORD length = sizeof(status);
    return Inet().HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length,
                                 nullptr) != FALSE;
}

bool StatusIs200(HINTERNET request, uint32_t& error)
{
    DWORD status = 0;
    QueryStatus(request, status);
    COMS_LOG("Response status: %d", static_cast<int>(status));
    if (status == HTTP_STATUS_OK)
        return true;
    COMS_LOG("Response code is not 200 --> Error.");
    error = KVCOMS_ERR_HTTP_STATUS;
    return false;
}

} // namespace

bool HandleResponseTamWininet(HINTERNET request, uint64_t expectedSize, uint32_t& error)
{
    if (!StatusIs200(request, error))
        return false;
    std::string answer(kAnswerChunk, '\0');
    DWORD read = 0;
    if (!Inet().InternetReadFile(request, &answer[0], kAnswerChunk, &read))
        read = 0;
    answer.resize(read);
    COMS_LOG("Response size: %d", static_cast<int>(read));
    COMS_LOG("Allocating memory to read returned data");
    answer = answer.c_str(); // the answer as a terminated text
    COMS_LOG("Getting total size");
    char expected[32];
    snprintf(expected, sizeof(expected), "%llu", static_cast<unsigned long long>(expectedSize));
    const size_t digits = strlen(expected);
    COMS_LOG("Comparing file size and returned size");
    bool equal = answer.compare(0, digits, expected) == 0 &&
                 (answer.size() == digits || answer[digits] < '0' || answer[digits] > '9');
    if (equal) {
        COMS_LOG("    Equals (%d bytes)", static_cast<int>(expectedSize));
        return true;
    }
    COMS_LOG("    Distincts. File size: %d bytes. Returned data: %s", static_cast<int>(expectedSize), answer.c_str());
    error = KVCOMS_ERR_SIZE_ECHO;
    return false;
}

bool HandleResponseWininet(HINTERNET request, const char* filePath, uint32_t& error)
{
    if (!StatusIs200(request, error))
        return false;
    HANDLE file = CreateFileA(filePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        COMS_LOG("Error %d creating file [%s]", static_cast<int>(GetLastError()), filePath);
        return false;
    }
    COMS_LOG("Creating file [%s] for data stream returned by the HTTP server", filePath);
    COMS_LOG("File [%s] created. Starting reading returned data", filePath);
    std::string chunk(kAnswerChunk, '\0');
    bool any = false, failed = false;
    for (;;) {
        DWORD read = 0;
        if (!Inet().InternetReadFile(request, &chunk[0], kAnswerChunk, &read)) {
            COMS_LOG("Error %d reading returned data", static_cast<int>(GetLastError()));
            failed = true;
            break;
        }
        if (read == 0)
            break;
        DWORD written = 0;
        if (!WriteFile(file, chunk.data(), read, &written, nullptr) || written != read) {
            COMS_LOG("Error %d writing returned data", static_cast<int>(GetLastError()));
            failed = true;
            break;
        }
        any = true;
        COMS_LOG("    %d bytes written to disk", static_cast<int>(read));
    }
    CloseHandle(file);
    if (failed)
        return false; // a truncated answer is no answer
    if (!any) {
        COMS_LOG("No data returned by the HTTP server");
        return false;
    }
    return true;
}

bool HandleResponseStatus(HINTERNET request, uint32_t& error)
{
    DWORD status = 0;
    QueryStatus(request, status);
    if (status == HTTP_STATUS_OK) {
        COMS_LOG("Response code: 200.");
        return true;
    }
    COMS_LOG("Response code: %d --> Error.", static_cast<int>(status));
    error = KVCOMS_ERR_HTTP_STATUS;
    return false;
}

// kvcomscall EXPORT key=value...: loads KVComs.dll by name, fills one request record from the
// command line, calls the export by its plain name and prints the result and the out-fields.
//   EXPORT: SendReports | SendStatistics | TestConnection
//   keys:   folder url agent excluded delete proxyHost proxyPort proxyUser proxyPassword tryProxy tryDirect
// kvcomscall hold PATH: opens PATH without sharing, prints "held" and keeps it open until its
// standard input ends (another process that holds a file for tests).
// Exit code: 0 when the call was made (whatever it returned), 2 on a usage or binding error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "KVComs.h"

namespace {

void Copy(char (&field)[KVCOMS_TEXT], const std::string& value)
{
    strncpy(field, value.c_str(), KVCOMS_TEXT - 1);
    field[KVCOMS_TEXT - 1] = '\0';
}

bool SetProxy(KVCOMS_PROXY& proxy, const std::string& key, const std::string& value)
{
    if (key == "proxyHost")
        Copy(proxy.host, value);
    else if (key == "proxyPort")
        Copy(proxy.port, value);
    else if (key == "proxyUser")
        Copy(proxy.user, value);
    else if (key == "proxyPassword")
        Copy(proxy.password, value);
    else
        return false;
    return true;
}

bool SetSendFiles(KVCOMS_SENDFILES& r, const std::string& key, const std::string& value)
{
    if (key == "folder")
        Copy(r.folder, value);
    else if (key == "url")
        Copy(r.url, value);
    else if (key == "agent")
        Copy(r.agent, value);
    else if (key == "excluded")
        Copy(r.excludedName, value);
    else if (key == "delete")
        r.deleteAfterSend = static_cast<uint32_t>(strtoul(value.c_str(), nullptr, 10));
    else
        return SetProxy(r.proxy, key, value);
    return true;
}

bool SetTest(KVCOMS_CONNECTIONTEST& r, const std::string& key, const std::string& value)
{
    if (key == "url")
        Copy(r.url, value);
    else if (key == "agent")
        Copy(r.agent, value);
    else if (key == "tryProxy")
        r.tryProxy = static_cast<uint8_t>(atoi(value.c_str()));
    else if (key == "tryDirect")
        r.tryDirect = static_cast<uint8_t>(atoi(value.c_str()));
    else
        return SetProxy(r.proxy, key, value);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: kvcomscall SendReports|SendStatistics|TestConnection key=value...\n");
        return 2;
    }
    std::string operation = argv[1];
    if (operation == "hold" && argc == 3) {
        HANDLE file = CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            fprintf(stderr, "cannot open %s: %lu\n", argv[2], GetLastError());
            return 2;
        }
        printf("held\n");
        fflush(stdout);
        char line[16];
        while (fgets(line, sizeof(line), stdin)) {
        }
        CloseHandle(file);
        return 0;
    }
    HMODULE coms = LoadLibraryA("KVComs.dll");
    if (!coms) {
        fprintf(stderr, "KVComs.dll not loaded: %lu\n", GetLastError());
        return 2;
    }
    FARPROC entry = GetProcAddress(coms, ("KVCOMS_" + operation).c_str());
    if (!entry) {
        fprintf(stderr, "no export KVCOMS_%s\n", operation.c_str());
        return 2;
    }
    bool test = operation == "TestConnection";
    KVCOMS_SENDFILES files;
    KVCOMS_CONNECTIONTEST connection;
    memset(&files, 0, sizeof(files));
    memset(&connection, 0, sizeof(connection));
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        size_t eq = arg.find('=');
        std::string key = arg.substr(0, eq), value = eq == std::string::npos ? "" : arg.substr(eq + 1);
        if (!(test ? SetTest(connection, key, value) : SetSendFiles(files, key, value))) {
            fprintf(stderr, "unknown key %s\n", key.c_str());
            return 2;
        }
    }
    if (test) {
        int result = reinterpret_cast<KVCOMS_TestConnection_t>(reinterpret_cast<void*>(entry))(&connection);
        printf("result=%d connectionType=%u\n", result, connection.connectionType);
    } else {
        int result = reinterpret_cast<KVCOMS_SendFiles_t>(reinterpret_cast<void*>(entry))(&files);
        printf("result=%d sent=%u failed=%u lastError=%u\n", result, files.sentCount, files.failedCount,
               files.lastError);
    }
    return 0;
}

#include "ScanThreadHooks.h"

#include "FileHelpers.h"
#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "ScanThread.h"
#include "TextHelpers.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

int SeededDraw()
{
    srand(static_cast<unsigned>(time(nullptr)));
    return rand() % 10000;
}

std::string Format(const char* format, int a, int b = 0)
{
    char text[200];
    snprintf(text, sizeof text, format, a, b);
    return text;
}

} // namespace

ScanThreadCalls& ScanCalls()
{
    static ScanThreadCalls* calls = [] {
        auto* table = new ScanThreadCalls;
        table->drawRandom = SeededDraw;
        return table;
    }();
    return *calls;
}

bool DecideStatistics(bool enabled, const std::string& programFolder, std::string& logLine)
{
    if (!enabled) {
        logLine = "Statistics will not be generated.";
        return false;
    }
    KVSCAN_LOG("Read Statistic info from qel.sig");
    const ScanThreadCalls& calls = ScanCalls();
    if (!calls.readQelSigInfo || !calls.getSendFrequency || calls.readQelSigInfo(programFolder.c_str()) != 0) {
        logLine = "Statistic info not found. Statistics will not be generated.";
        return false;
    }
    int frequency = calls.getSendFrequency();
    if (frequency <= 0) {
        logLine = Format("Statistic info found. SendFrequency = %d. Statistics will not be generated", frequency);
        return false;
    }
    int draw = calls.drawRandom ? calls.drawRandom() : SeededDraw();
    bool generate = draw < frequency;
    logLine = Format(generate ? "Statistic info found. SendFrequency = %d. Random number generated: %d --> "
                                "Statistics will be generated."
                              : "Statistic info found. SendFrequency = %d. Random number generated: %d --> "
                                "Statistics will not be generated.",
                     frequency, draw);
    return generate;
}

void CollectStatisticsTempFiles()
{
    const ScanThreadCalls& calls = ScanCalls();
    if (!calls.addResultsFromFile)
        return;
    std::string folder = ToNarrow(MakeAbsolute(g_config.statisticFolder, ToWide(g_config.programFolder)));

    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\stat*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);

    for (const std::string& name : names) {
        std::string path = folder + "\\" + name;
        // Exclusive: a file the mail scanner still writes cannot be opened and waits for the next pass.
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            KVSCAN_LOG("Statistics file %s in use, left for later", path.c_str());
            continue;
        }
        CloseHandle(file);
        calls.addResultsFromFile(path.c_str());
        DeleteFileA(path.c_str());
    }
}

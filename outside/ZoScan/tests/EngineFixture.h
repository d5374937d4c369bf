// A program folder in the temporary folder with copies of the engine stand-ins and "Qel.sig", loaded
// through LoadLibrary/GetProcAddress as the scanners do, and a callback that keeps copies of what the
// engine reports.
#pragma once

#include "ZoScanEntryPoints.h"
#include "zokas.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct Reported {
    std::string path;
    std::string name;
    uint32_t elementType = 0;
    uint32_t location = 0;
    uint32_t state = 0;
    uint32_t rebootPending = 0;
    uint32_t running = 0;
    std::string md5;
    uint32_t flag = 0;
    std::string text32;
    bool hasUuid = false;
    uint32_t detections = 0;
    std::string malware;
    uint32_t malwareType = 0;
    uint32_t subType = 0;
    uint32_t action = 0;
    std::vector<uint8_t> extra;
};

struct Asked {
    std::string path;
    std::string malware;
    uint32_t possible = 0;
};

class EngineFolder : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The engine's calls, resolved from the copy in the program folder.
    ZoScanEntryPoints scan;

    HMODULE LoadScan();
    HMODULE LoadZokas(const std::string& fromFolder = "");
    // InitializeAPI, system and list; the standard callback and the given mask.
    void OpenScan(uint32_t mask = 0xA7);
    void AddPath(const std::string& path, uint32_t option = 1);
    int Analyse();

    std::string Data(const std::string& relative) const { return folder_ + "data\\" + relative; }
    std::vector<std::string> JournalLines() const;
    // Journal lines of this process for one call.
    std::vector<std::string> Calls(const std::string& call) const;
    bool JournalHas(const std::string& piece) const;
    void Scenario(const std::string& text) const;

    static std::string Eicar(); // built at run time: the sources hold no EICAR file
    static void WriteFile(const std::string& path, const std::string& content);
    static std::string ReadFile(const std::string& path);
    static std::string Md5Hex(const std::string& content);
    static std::string DistFolder();

    std::string folder_;
    HMODULE scanModule_ = nullptr;
    HMODULE zokasModule_ = nullptr;
    ZoScanHandle system_ = nullptr;
    ZoScanHandle list_ = nullptr;

    // What the callback saw.
    std::vector<Reported> results_;
    std::vector<Asked> questions_;
    std::vector<uint32_t> events_;
    std::vector<std::string> progressItems_;
    uint32_t answer_ = ZOSCAN_ACTION_IGNORE;
    int stopAtProgress_ = -1; // return 1 from this progress call on (0-based)
    std::vector<uint32_t> types_;

    static EngineFolder* current_;
    static int __stdcall Callback(uint32_t type, void* record, void* context);
};

#include "AnalysisFixture.h"

#include "ErrorReportFiles.h"

#include "ScanApiRef.h"

void AnalysisFixture::SetUp()
{
    EngineFolder::SetUp();
    programFolder_ = folder_.substr(0, folder_.size() - 1);
    config_.programFolder = programFolder_;
    config_.logModule = "KvScan";
    config_.appRefVersion = L"0123456789ABCDEF0123456789ABCDEF";
    config_.instanceId = "{11111111-2222-3333-4444-555555555555}";
    config_.quarantinePath = std::wstring(programFolder_.begin(), programFolder_.end()) + L"\\Quarantine";
    config_.suspiciousPath = std::wstring(programFolder_.begin(), programFolder_.end()) + L"\\Suspicious";
    config_.reportsPathA = folder_ + "reports";
    config_.reportsPath = std::wstring(config_.reportsPathA.begin(), config_.reportsPathA.end());
    config_.osType = 11;
    CreateDirectoryA(config_.reportsPathA.c_str(), nullptr);
    results_.reset(new ScanResultData(config_, machineId_));
    AdapterState& state = Adapter();
    state = AdapterState();
    BindAdapter(config_, *results_, machineId_);
    Hooks() = ScanHooks();
    ScanApiRef::setFolder(programFolder_.c_str());
}

void AnalysisFixture::TearDown()
{
    Adapter().filtered.Close();
    Adapter() = AdapterState();
    Hooks() = ScanHooks();
    EngineFolder::TearDown();
}

std::vector<std::pair<std::string, std::string>> AnalysisFixture::Settings() const
{
    std::vector<std::pair<std::string, std::string>> settings;
    for (const std::string& line : Calls("ZOScan_ConfigureAnalysis")) {
        // "... item=0x805 ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST value=[...] -> 0"
        size_t item = line.find(" item=");
        size_t name = line.find(' ', item + 1) + 1;
        size_t value = line.find(" value=", name);
        size_t result = line.rfind(" -> ");
        if (item == std::string::npos || value == std::string::npos || result == std::string::npos)
            continue;
        settings.emplace_back(line.substr(name, value - name), line.substr(value + 7, result - value - 7));
    }
    return settings;
}

std::vector<std::string> AnalysisFixture::ErrorReports() const
{
    std::vector<std::string> texts;
    for (const ErrorReportFile& report : ErrorReportFiles(config_.reportsPathA))
        texts.push_back(report.text);
    return texts;
}

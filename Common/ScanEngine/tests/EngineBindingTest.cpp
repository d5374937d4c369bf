// The engine binding against the engine stand-ins in a temporary program folder: what was loaded and
// called is read from the engine's journal, the module list, the log and the error reports.

#include "AnalysisSystem.h"
#include "AnalyzableItemsList.h"
#include "EngineFixture.h"
#include "EngineRecords.h"
#include "ErrorReportFiles.h"
#include "FilePackage.h"
#include "QelSig.h"
#include "ScanApiRef.h"
#include "TessalyConfig.h"
#include "TestLog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const kVersion = "0123456789ABCDEF0123456789ABCDEF";

class EngineBinding : public EngineFolder {
protected:
    void SetUp() override
    {
        EngineFolder::SetUp();
        programFolder_ = folder_.substr(0, folder_.size() - 1);
        config_.programFolder = programFolder_;
        config_.appRefVersion = L"0123456789ABCDEF0123456789ABCDEF";
        config_.instanceId = "{11111111-2222-3333-4444-555555555555}";
        config_.reportsPathA = folder_ + "reports";
        CreateDirectoryA(config_.reportsPathA.c_str(), nullptr);
        ScanApiRef::setFolder(programFolder_.c_str());
    }

    bool ScanLoaded() const { return GetModuleHandleA((folder_ + "ZoScan.dll").c_str()) != nullptr; }
    bool ZokasLoaded() const { return GetModuleHandleA((folder_ + "zokas.dll").c_str()) != nullptr; }

    // The texts of the error reports written so far.
    std::vector<std::string> Reports() const
    {
        std::vector<std::string> texts;
        for (const ErrorReportFile& report : ErrorReportFiles(config_.reportsPathA))
            texts.push_back(report.text);
        return texts;
    }

    std::string programFolder_;
    TessalyConfig config_;
};

TEST_F(EngineBinding, FolderTooLongFailsWith87BeforeAnyLoad)
{
    // folder + "zokas.dll" + 1 may be 260 at most; a longer folder never reaches the loader.
    struct Case {
        size_t folderLength;
        bool invalidParameter;
    } cases[] = {{250, false}, {251, true}, {400, true}};
    for (const Case& c : cases) {
        std::string folder = "C:\\" + std::string(c.folderLength - 3, 'a');
        unsigned long code = 0;
        try {
            NucleoMainDll table(folder.c_str());
            ADD_FAILURE() << "a library was bound from " << folder;
        } catch (const Win32Exception& e) {
            code = e.code();
        }
        EXPECT_EQ(code == ERROR_INVALID_PARAMETER, c.invalidParameter) << c.folderLength << ": " << code;
    }
    // The scanning interface through the same path: nothing loaded, nothing called.
    std::string tooLong = "C:\\" + std::string(255, 'b');
    ScanApiRef::setFolder(tooLong.c_str());
    try {
        ScanApiRef::currentVersion();
        ADD_FAILURE() << "ZoScan.dll bound from a folder that is too long";
    } catch (const Win32Exception& e) {
        EXPECT_EQ(e.code(), static_cast<unsigned long>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(std::string(e.what()).rfind("Error: 87", 0), 0u) << e.what();
    }
    EXPECT_EQ(ScanApiRef::count(), 0);
}

TEST_F(EngineBinding, ZokasWithoutOneExportCannotBeBound)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string bin(exe);
    bin = bin.substr(0, bin.find_last_of('\\'));
    ASSERT_TRUE(CopyFileA((bin + "\\zokas-without-strip\\zokas.dll").c_str(), (folder_ + "zokas.dll").c_str(), FALSE));

    try {
        NucleoMainDll table(programFolder_.c_str());
        ADD_FAILURE() << "bound without AS_VFStripConfidentialInformation";
    } catch (const Win32Exception& e) {
        EXPECT_EQ(e.code(), static_cast<unsigned long>(ERROR_PROC_NOT_FOUND));
    }
    EXPECT_FALSE(ZokasLoaded()) << "the library stays loaded after a failed binding";

    TestLog log;
    FilePackage package(config_);
    EXPECT_FALSE(package.IniciarSistemaAS_(false));
    EXPECT_FALSE(package.isOpen());
    EXPECT_FALSE(ZokasLoaded());
    EXPECT_TRUE(Calls("AS_InitializeAnalysisSystem").empty());

    std::vector<std::string> messages = log.Messages("FilePackage.cpp");
    auto caught = std::find_if(messages.begin(), messages.end(), [](const std::string& m) {
        return m.rfind("caught exception in \"new NucleoMainDll\" :127 [Error: 127", 0) == 0;
    });
    EXPECT_NE(caught, messages.end()) << "log lines: " << messages.size();
    std::vector<std::string> reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("caught exception in \"new NucleoMainDll\": 127 - Error: 127"), std::string::npos)
        << reports[0];
}

TEST_F(EngineBinding, NestedListAndSystemShareOneLoad)
{
    {
        AnalyzableItemsList outer;
        EXPECT_TRUE(ScanLoaded());
        {
            AnalysisSystem system(programFolder_, programFolder_, kVersion);
            AnalyzableItemsList inner;
            EXPECT_EQ(ScanApiRef::count(), 3);
        }
        EXPECT_TRUE(ScanLoaded());
        EXPECT_EQ(ScanApiRef::count(), 1);
    }
    EXPECT_FALSE(ScanLoaded());
    EXPECT_EQ(ScanApiRef::count(), 0);
    EXPECT_EQ(Calls("ZOScan_InitializeAPI").size(), 1u);
    EXPECT_EQ(Calls("ZOScan_CreateAnalizableItemsList").size(), 2u);
    EXPECT_EQ(Calls("ZOScan_FreeAnalizableItemsList").size(), 2u);
    EXPECT_EQ(Calls("ZOScan_FreeAnalysisSystem").size(), 1u);

    // The scan-system record as the engine decoded it.
    std::vector<std::string> init = Calls("ZOScan_InitializeAnalysisSystem");
    ASSERT_EQ(init.size(), 1u);
    std::string id = InstallationIdentifier(programFolder_);
    EXPECT_EQ(id.size(), 32u);
    EXPECT_NE(init[0].find("size=" + std::to_string(sizeof(ZoScanSystemRecord)) + " "), std::string::npos) << init[0];
    EXPECT_NE(init[0].find(" id=\"" + id + "\" version=\"" + kVersion + "\""), std::string::npos) << init[0];

    // A new first use loads and initialises the interface again.
    EXPECT_NE(ScanApiRef::currentVersion(), 0u);
    EXPECT_FALSE(ScanLoaded());
    EXPECT_EQ(Calls("ZOScan_InitializeAPI").size(), 2u);
}

TEST_F(EngineBinding, FailuresCarryTheEngineCodeAndLeaveNothingLoaded)
{
    struct Case {
        const char* scenario;
        bool system; // the analysis system fails, else the list
        unsigned long code;
    } cases[] = {
        {"[Fail]\nZOScan_InitializeAPI=1234\n", false, 1234},
        {"[Fail]\nZOScan_CreateAnalizableItemsList=8\n", false, 8},
        {"[Fail]\nZOScan_InitializeAnalysisSystem=31\n", true, 31},
    };
    for (const Case& c : cases) {
        Scenario(c.scenario);
        unsigned long code = 0;
        try {
            if (c.system)
                AnalysisSystem system(programFolder_, programFolder_, kVersion);
            else
                AnalyzableItemsList list;
            ADD_FAILURE() << c.scenario;
        } catch (const Win32Exception& e) {
            code = e.code();
        }
        EXPECT_EQ(code, c.code) << c.scenario;
        EXPECT_EQ(ScanApiRef::count(), 0) << c.scenario;
        EXPECT_FALSE(ScanLoaded()) << c.scenario;
    }
}

TEST_F(EngineBinding, ReuseKeepsAnOpenPackage)
{
    {
        FilePackage package(config_);
        ASSERT_TRUE(package.IniciarSistemaAS_(false));
        EXPECT_TRUE(package.isOpen());
        std::vector<std::string> init = Calls("AS_InitializeAnalysisSystem");
        ASSERT_EQ(init.size(), 1u);
        EXPECT_NE(init[0].find(InstallationIdentifier(programFolder_)), std::string::npos) << init[0];
        EXPECT_NE(init[0].find(kVersion), std::string::npos) << init[0];

        EXPECT_TRUE(package.IniciarSistemaAS_(true));
        EXPECT_EQ(Calls("AS_InitializeAnalysisSystem").size(), 1u);
        EXPECT_EQ(Calls("MDFS_InitializeMalwareDefinitionFileSubsystem").size(), 1u);

        // Without reuse it reopens, releasing what the engine held first.
        EXPECT_TRUE(package.IniciarSistemaAS_(false));
        EXPECT_EQ(Calls("AS_InitializeAnalysisSystem").size(), 2u);
        EXPECT_EQ(Calls("AS_FreeAnalysisSystem").size(), 1u);
        EXPECT_EQ(Calls("MDFS_FreeMalwareDefinitionFileSubsystem").size(), 1u);

        EXPECT_TRUE(package.FinalizarSistemaAS());
        EXPECT_FALSE(package.isOpen());
        EXPECT_FALSE(ZokasLoaded());
        EXPECT_EQ(Calls("AS_FreeAnalysisSystem").size(), 2u);
        EXPECT_TRUE(package.FinalizarSistemaAS());
        EXPECT_EQ(Calls("AS_FreeAnalysisSystem").size(), 2u);
    }
    EXPECT_TRUE(Reports().empty());
}

TEST_F(EngineBinding, DefinitionFailureIsReportedWithItsCode)
{
    DeleteFileA((folder_ + "Qel.sig").c_str());
    TestLog log;
    FilePackage package(config_);
    EXPECT_FALSE(package.IniciarSistemaAS_(false));
    EXPECT_FALSE(package.isOpen());
    EXPECT_EQ(package.signatureDate(), 0);
    std::vector<std::string> messages = log.Messages("FilePackage.cpp");
    EXPECT_NE(std::find(messages.begin(), messages.end(), "InitializeMalwareDefinitionFileSubsystem failed. Error:2"),
              messages.end());
    std::vector<std::string> reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("InitializeMalwareDefinitionFileSubsystem failed. Error: 2"), std::string::npos);
}

TEST_F(EngineBinding, SignatureDateOnlyWhenTheDefinitionsAreUsable)
{
    qelsig::SignatureSet set;
    ASSERT_EQ(qelsig::Load(folder_ + "Qel.sig", set), 0u);
    ASSERT_NE(set.date, 0u);

    struct Case {
        uint32_t usable;
        const char* scenario;
        bool dated;
    } cases[] = {
        {1, "", true},
        {0, "", false},
        {1, "[Fail]\nMDFS_GetInfoInt.3=50\n", false},
        {1, "[Fail]\nMDFS_GetInfoInt.2=50\n", false},
    };
    for (const Case& c : cases) {
        set.usable = c.usable;
        std::vector<uint8_t> bytes = qelsig::Serialise(set);
        WriteFile(folder_ + "Qel.sig", std::string(bytes.begin(), bytes.end()));
        Scenario(c.scenario);
        FilePackage package(config_);
        ASSERT_TRUE(package.IniciarSistemaAS_(false)) << c.usable << c.scenario;
        EXPECT_EQ(package.signatureDate(), c.dated ? static_cast<time_t>(set.date) : 0) << c.usable << c.scenario;
    }
    FilePackage closed(config_);
    EXPECT_EQ(closed.signatureDate(), 0);
}

TEST_F(EngineBinding, ScanThroughTheBindingFindsTheTestFile)
{
    WriteFile(Data("eicar.com"), Eicar());
    WriteFile(Data("clean.txt"), "nothing to see here\r\n");
    ASSERT_NE(ScanApiRef::currentVersion(), 0u);
    {
        AnalysisSystem system(programFolder_, programFolder_, kVersion);
        AnalyzableItemsList list;
        ASSERT_EQ(system.configure(ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK, reinterpret_cast<uintptr_t>(&Callback)), 0);
        ASSERT_EQ(system.configure(ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES, 0xA7), 0);
        ASSERT_EQ(system.configure(ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_IGNORE), 0);
        std::string path = Data("");
        path.pop_back();
        ZoPathItemRecord item{};
        item.size = sizeof item;
        item.path = path.c_str();
        item.option = 1;
        ASSERT_EQ(list.add(ZOSCAN_ITEM_PATH, &item), 0);
        EXPECT_EQ(system.analyse(list), 0);
    }
    EXPECT_FALSE(ScanLoaded());
    int found = 0;
    for (const Reported& r : results_) {
        if (!r.detections)
            continue;
        ++found;
        std::printf("detection: %s [%s]\n", r.path.c_str(), r.malware.c_str());
        EXPECT_EQ(r.path, Data("eicar.com"));
        EXPECT_EQ(r.malware, "EICAR-Test-File");
    }
    EXPECT_EQ(found, 1);
    EXPECT_GE(results_.size(), 2u);
    EXPECT_EQ(ReadFile(Data("eicar.com")), Eicar());
}

} // namespace

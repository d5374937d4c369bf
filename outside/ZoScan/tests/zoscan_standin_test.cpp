// The engine stand-ins driven through their exports, in the order the scanners call them.

#include "EngineFixture.h"

#include "QelSig.h"

#include <shlobj.h>

#include <fstream>
#include <map>

namespace {

const Reported* OnlyDetection(const std::vector<Reported>& results)
{
    const Reported* found = nullptr;
    for (const Reported& r : results)
        if (r.detections) {
            if (found)
                return nullptr;
            found = &r;
        }
    return found;
}

// A path as the journal quotes it.
std::string Escaped(const std::string& path)
{
    std::string out;
    for (char c : path)
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

} // namespace

TEST_F(EngineFolder, FolderScanReportsOneDetectionAndHonoursExclusions)
{
    CreateDirectoryA(Data("excluded").c_str(), nullptr);
    WriteFile(Data("eicar.com"), Eicar());
    WriteFile(Data("clean.txt"), "nothing to see here\r\n");
    WriteFile(Data("excluded\\eicar.com"), Eicar());
    WriteFile(Data("skipped.tmp"), Eicar());
    OpenScan();
    std::string folders = Data("EXCLUDED") + '\0' + '\0';
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST, reinterpret_cast<uintptr_t>(folders.data())), 0);
    std::string extensions = std::string("tmp") + '\0' + '\0';
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_EXCLUDE_EXTENSIONS_LIST,
                             reinterpret_cast<uintptr_t>(extensions.data())), 0);
    uint8_t machine[17] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xba, 0xdc, 0xfe, 1, 2, 3, 4, 5, 6, 7, 8, 0};
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_MCUID, reinterpret_cast<uintptr_t>(machine)), 0);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_IGNORE), 0);
    AddPath(folder_ + "data");

    ASSERT_EQ(Analyse(), 0);

    ASSERT_EQ(results_.size(), 2u); // the excluded folder and extension are not analysed at all
    const Reported* hit = OnlyDetection(results_);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->path, Data("eicar.com"));
    EXPECT_EQ(hit->name, "eicar.com");
    EXPECT_EQ(hit->malware, "EICAR-Test-File");
    EXPECT_EQ(hit->malwareType, ZOSCAN_MALWARE_VIRUS);
    EXPECT_EQ(hit->elementType, ZOSCAN_ELEMENT_FILE);
    EXPECT_EQ(hit->location, ZOSCAN_LOCATION_DISK);
    EXPECT_EQ(hit->state, ZOSCAN_STATE_INFECTED);
    EXPECT_EQ(hit->md5, Md5Hex(Eicar()));
    EXPECT_FALSE(hit->extra.empty());
    EXPECT_EQ(ReadFile(Data("eicar.com")), Eicar()); // "ignore" leaves the file alone
    for (const Reported& r : results_) {
        if (!r.detections) {
            EXPECT_EQ(r.state, ZOSCAN_STATE_CLEAN) << r.path;
        }
    }
    ASSERT_GE(events_.size(), 2u);
    EXPECT_EQ(events_.front(), ZOSCAN_EVENT_BEGIN);
    EXPECT_EQ(events_.back(), ZOSCAN_EVENT_END);

    // Every call is in the journal with its arguments decoded.
    EXPECT_TRUE(JournalHas("ZOScan_InitializeAPI version=15134 -> 0"));
    EXPECT_TRUE(JournalHas("item=0x805 ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST value=[\"" + Escaped(Data("EXCLUDED")) +
                           "\"] -> 0"));
    EXPECT_TRUE(JournalHas("ZOSCAN_CFG_EXCLUDE_EXTENSIONS_LIST value=[\"tmp\"] -> 0"));
    EXPECT_TRUE(JournalHas("ZOSCAN_CFG_MCUID value=1032547698badcfe0102030405060708 -> 0"));
    EXPECT_TRUE(JournalHas("kind=0x11002 path=\"" + Escaped(folder_ + "data") + "\" option=1 -> 0"));
    EXPECT_TRUE(JournalHas("malware=\"EICAR-Test-File\""));
}

TEST_F(EngineFolder, ReportsOnlyTheCallbackTypesOfTheMask)
{
    WriteFile(Data("a.com"), Eicar());
    OpenScan(ZOSCAN_CALLBACK_RESULT);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_ASK), 0);
    AddPath(Data("a.com"));
    ASSERT_EQ(Analyse(), 0);
    for (uint32_t type : types_)
        EXPECT_EQ(type, ZOSCAN_CALLBACK_RESULT);
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_TRUE(questions_.empty()); // no question without type 4 in the mask: nothing is done
    EXPECT_EQ(results_[0].state, ZOSCAN_STATE_INFECTED);
}

TEST_F(EngineFolder, StopFromTheProgressCallbackEndsTheAnalysis)
{
    for (int i = 0; i < 6; ++i)
        WriteFile(Data("file" + std::to_string(i) + ".txt"), "plain " + std::to_string(i));
    OpenScan();
    AddPath(folder_ + "data");
    stopAtProgress_ = 2;
    EXPECT_EQ(Analyse(), ZOSCAN_RESULT_STOPPED);
    EXPECT_EQ(progressItems_.size(), 3u);
    EXPECT_EQ(results_.size(), 2u);
    EXPECT_EQ(events_.back(), ZOSCAN_EVENT_END);
}

TEST_F(EngineFolder, DetectionGroupsFollowTheSettings)
{
    WriteFile(Data("joke.txt"), "xx KVAUDIT-TEST-JOKE-7F31 xx");
    WriteFile(Data("spy.txt"), "KVAUDIT-TEST-SPYWARE-7F31");
    WriteFile(Data("md5.bin"), "KVAUDIT-TEST-MD5-FILE\n");
    OpenScan(ZOSCAN_CALLBACK_RESULT);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_ACTIVATE_JOKES_SCAN, 0), 0);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_CONFIGURE_SPYWARE_SCAN, 1), 0);
    AddPath(folder_ + "data");
    ASSERT_EQ(Analyse(), 0);
    std::map<std::string, std::string> found;
    for (const Reported& r : results_)
        found[r.name] = r.malware;
    EXPECT_EQ(found["joke.txt"], "");
    EXPECT_EQ(found["spy.txt"], "Spyware/KvTest");
    EXPECT_EQ(found["md5.bin"], "Virus/KvTestMd5");
}

TEST_F(EngineFolder, TimeOutEventFromTheScenario)
{
    WriteFile(Data("a.txt"), "a");
    WriteFile(Data("b.txt"), "b");
    Scenario("[Events]\r\nErrorAfter=1\r\n");
    OpenScan();
    AddPath(folder_ + "data");
    ASSERT_EQ(Analyse(), 0);
    ASSERT_EQ(events_.size(), 3u);
    EXPECT_EQ(events_[1], 0x300u + ZOSCAN_ERROR_TIMEOUT);
}

TEST_F(EngineFolder, MemoryAnalysisFindsThisProcess)
{
    OpenScan(ZOSCAN_CALLBACK_RESULT);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_EXCLUDE_CURRENT_PROCESS, 0), 0);
    ASSERT_EQ(scan.AddItem(list_, ZOSCAN_ITEM_MEMORY, nullptr), 0);
    ASSERT_EQ(Analyse(), 0);
    bool self = false, module = false;
    for (const Reported& r : results_) {
        if (r.name == "zoscan_standin_test.exe")
            self = r.elementType == ZOSCAN_ELEMENT_PROCESS && r.running == 1 && r.location == ZOSCAN_LOCATION_SYSTEM;
        if (r.path == folder_ + "ZoScan.dll")
            module = r.elementType == ZOSCAN_ELEMENT_FILE;
    }
    EXPECT_TRUE(self);
    EXPECT_TRUE(module);
}

struct FailureCase {
    const char* scenario;
    const char* call;
    int code;
};

class InjectedFailure : public EngineFolder, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(InjectedFailure, SurfacesWithItsCode)
{
    const FailureCase& c = GetParam();
    Scenario(std::string("[Fail]\r\n") + c.scenario + "\r\n");
    ASSERT_NE(LoadScan(), nullptr);
    std::string call = c.call;
    if (call == "InitializeAPI") {
        EXPECT_EQ(scan.InitializeAPI(ZOSCAN_INTERFACE_VERSION), c.code);
        return;
    }
    ASSERT_EQ(scan.InitializeAPI(ZOSCAN_INTERFACE_VERSION), 0);
    if (call == "CreateList") {
        EXPECT_EQ(scan.CreateList(), nullptr);
        EXPECT_EQ(scan.GetLastError(nullptr), c.code);
        return;
    }
    std::string programFolder = folder_.substr(0, folder_.size() - 1);
    ZoScanSystemRecord record{};
    record.size = sizeof record;
    record.folder1 = record.folder2 = programFolder.data();
    system_ = scan.InitializeSystem(&record);
    if (call == "InitializeSystem") {
        EXPECT_EQ(system_, nullptr);
        EXPECT_EQ(scan.GetLastError(nullptr), c.code);
        return;
    }
    ASSERT_NE(system_, nullptr);
    list_ = scan.CreateList();
    if (call == "Configure") {
        EXPECT_EQ(scan.Configure(system_, ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES, 0xA7), 0);
        EXPECT_EQ(scan.Configure(system_, ZOSCAN_CFG_SCAN_NETWORK, 0), c.code);
    } else if (call == "AddItem") {
        EXPECT_EQ(scan.AddItem(list_, ZOSCAN_ITEM_MEMORY, nullptr), c.code);
    } else if (call == "Analyse") {
        EXPECT_EQ(scan.Analyse(system_, list_), c.code);
    }
    EXPECT_TRUE(JournalHas("-> " + std::to_string(c.code)));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, InjectedFailure,
    ::testing::Values(FailureCase{"ZOScan_InitializeAPI=1234", "InitializeAPI", 1234},
                      FailureCase{"ZOScan_CreateAnalizableItemsList=8", "CreateList", 8},
                      FailureCase{"ZOScan_InitializeAnalysisSystem=5", "InitializeSystem", 5},
                      FailureCase{"ZOScan_ConfigureAnalysis.0x402=87", "Configure", 87},
                      FailureCase{"ZOScan_AddAnalizableItem.0x2=14", "AddItem", 14},
                      FailureCase{"ZOScan_Analyse=31", "Analyse", 31}));

struct SignatureFileCase {
    const char* what;
    int damage; // 0 remove the file, 1 flip a byte, 2 cut it short
    int code;
};

class BrokenSignatureFile : public EngineFolder, public ::testing::WithParamInterface<SignatureFileCase> {};

TEST_P(BrokenSignatureFile, BothSubsystemsRefuseToStart)
{
    const SignatureFileCase& c = GetParam();
    std::string sig = folder_ + "Qel.sig";
    std::string bytes = ReadFile(sig);
    if (c.damage == 0)
        DeleteFileA(sig.c_str());
    else if (c.damage == 1) {
        bytes[bytes.size() / 2] ^= 0x01;
        WriteFile(sig, bytes);
    } else
        WriteFile(sig, bytes.substr(0, bytes.size() - 20));

    ASSERT_NE(LoadScan(), nullptr);
    ASSERT_EQ(scan.InitializeAPI(ZOSCAN_INTERFACE_VERSION), 0);
    std::string programFolder = folder_.substr(0, folder_.size() - 1);
    ZoScanSystemRecord record{};
    record.size = sizeof record;
    record.folder1 = record.folder2 = programFolder.data();
    EXPECT_EQ(scan.InitializeSystem(&record), nullptr);
    EXPECT_EQ(scan.GetLastError(nullptr), c.code);

    ASSERT_NE(LoadZokas(), nullptr);
    auto init = reinterpret_cast<AS_InitializeAnalysisSystem_t>(
        reinterpret_cast<void*>(GetProcAddress(zokasModule_, "AS_InitializeAnalysisSystem")));
    auto mdfs = reinterpret_cast<MDFS_InitializeMalwareDefinitionFileSubsystem_t>(
        reinterpret_cast<void*>(GetProcAddress(zokasModule_, "MDFS_InitializeMalwareDefinitionFileSubsystem")));
    ZoAnalysisSystemRecord as{sizeof(ZoAnalysisSystemRecord), "0123456789abcdef0123456789abcdef", "1.0"};
    ZokasHandle handle = init(&as, sig.c_str(), 1);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(mdfs(handle, sig.c_str(), 1), c.code);
}

INSTANTIATE_TEST_SUITE_P(Damage, BrokenSignatureFile,
                         ::testing::Values(SignatureFileCase{"missing", 0, ERROR_FILE_NOT_FOUND},
                                           SignatureFileCase{"flipped", 1, ERROR_INVALID_DATA},
                                           SignatureFileCase{"short", 2, ERROR_INVALID_DATA}));

TEST_F(EngineFolder, MailStoresAreTheMailFilesOfTheProfile)
{
    char profile[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, profile)));
    std::string base = std::string(profile) + "\\engine_test_" + std::to_string(GetCurrentProcessId());
    WriteFile(base + ".eml", "Subject: hello\r\n\r\n" + Eicar());
    WriteFile(base + ".pst", Eicar());
    OpenScan(ZOSCAN_CALLBACK_RESULT);
    ASSERT_EQ(scan.AddItem(list_, ZOSCAN_ITEM_OUTLOOK_EXPRESS, nullptr), 0);
    int result = Analyse();
    DeleteFileA((base + ".eml").c_str());
    DeleteFileA((base + ".pst").c_str());
    ASSERT_EQ(result, 0);
    const Reported* hit = OnlyDetection(results_);
    ASSERT_NE(hit, nullptr); // the Outlook store is not an Outlook Express one
    EXPECT_EQ(hit->path, base + ".eml");
    EXPECT_EQ(hit->location, ZOSCAN_LOCATION_OUTLOOK_EXPRESS);
    EXPECT_EQ(hit->malware, "EICAR-Test-File");
}

TEST_F(EngineFolder, ExecutablesCarryTheirImageKind)
{
    std::string image(0x100, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = 0x40;
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    image[0x40 + 24] = 0x0B;
    image[0x40 + 25] = 0x01;
    WriteFile(Data("app.exe"), image);
    WriteFile(Data("notes.txt"), "MZ but no image");
    OpenScan(ZOSCAN_CALLBACK_RESULT);
    AddPath(folder_ + "data");
    ASSERT_EQ(Analyse(), 0);
    ASSERT_EQ(results_.size(), 2u);
    for (const Reported& r : results_) {
        bool exe = r.name == "app.exe";
        EXPECT_EQ(r.flag, exe ? 1u : 0u) << r.name;
        EXPECT_EQ(r.text32, exe ? "PE32" : "") << r.name;
        EXPECT_TRUE(r.hasUuid) << r.name;
    }
}

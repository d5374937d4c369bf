// zokas.dll stand-in: the three export tables, the definition-file information and the update.

#include "EngineFixture.h"

#include "QelSig.h"

namespace {

const char* const kAllExports[] = {
    "AS_InitializeAnalysisSystem", "AS_FreeAnalysisSystem", "AS_SetConfigString", "AS_GetConfigString", "AS_VFOpen",
    "AS_VFClose", "AS_VFCopy", "AS_VFMove", "AS_VFDelete", "AS_VFRename", "AS_VFFilelength", "AS_VFSeek",
    "AS_VFTell", "AS_VFRead", "AS_VFWrite", "AS_VFChSize", "AS_VFSetInfoInt", "AS_VFGetInfoInt",
    "AS_VFSetInfoString", "AS_VFGetInfoString", "AS_VFGetLastError", "AS_UpdateSystem", "AS_Utility",
    "AS_VFSetConfigInt", "AS_VFStripConfidentialInformation",
    "MDFS_InitializeMalwareDefinitionFileSubsystem", "MDFS_FreeMalwareDefinitionFileSubsystem", "MDFS_GetInfoInt",
    "MDFS_GetInfoString", "MDFS_GetLastError", "MDFS_UpdateSignatureFile", "MDFS_SetInfoInt", "MDFS_SetInfoString",
    "MDFS_SetConfigInt", "MDFS_SetConfigString",
    "FSS_InitializeFileScanningSubsystem", "FSS_FreeFileScanningSubsystem", "FSS_FindFirstDir", "FSS_FindNextDir",
    "FSS_FindCloseDir", "FSS_FindFirstPacked", "FSS_FindNextPacked", "FSS_FindClosePacked", "FSS_FindFirstHTML",
    "FSS_FindNextHTML", "FSS_FindCloseHTML", "FSS_FindFirstMIME", "FSS_FindNextMIME", "FSS_FindCloseMIME",
    "FSS_MIMEReplace", "FSS_MIMEContentReplace", "FSS_MIMERead", "FSS_SetConfigInt", "FSS_SetConfigString",
    "FSS_GetLastError", "FSS_MIMEInsertAlert", "FSS_MIMEInsertAlertEx"};

template <typename T>
T Get(HMODULE module, const char* name)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

class Zokas : public EngineFolder {
protected:
    void Open()
    {
        ASSERT_NE(LoadZokas(), nullptr);
        ZoAnalysisSystemRecord record{sizeof(ZoAnalysisSystemRecord), "0123456789abcdef0123456789abcdef", "2.5"};
        sig_ = folder_ + "Qel.sig";
        handle_ = Get<AS_InitializeAnalysisSystem_t>(zokasModule_, "AS_InitializeAnalysisSystem")(&record, sig_.c_str(), 1);
        ASSERT_NE(handle_, nullptr);
        ASSERT_EQ(Get<MDFS_InitializeMalwareDefinitionFileSubsystem_t>(
                      zokasModule_, "MDFS_InitializeMalwareDefinitionFileSubsystem")(handle_, sig_.c_str(), 1), 0);
    }
    int InfoInt(int item)
    {
        int value = -1;
        EXPECT_EQ(Get<MDFS_GetInfoInt_t>(zokasModule_, "MDFS_GetInfoInt")(handle_, item, &value), 0);
        return value;
    }
    std::string InfoText(int item)
    {
        char text[261] = {};
        EXPECT_EQ(Get<MDFS_GetInfoString_t>(zokasModule_, "MDFS_GetInfoString")(handle_, item, text, 261), 0);
        return text;
    }
    std::string sig_;
    ZokasHandle handle_ = nullptr;
};

TEST_F(Zokas, EveryExportExistsAndTheShortBuildLacksOne)
{
    ASSERT_NE(LoadZokas(), nullptr);
    for (const char* name : kAllExports)
        EXPECT_NE(GetProcAddress(zokasModule_, name), nullptr) << name;
    auto unused = Get<int(__cdecl*)(void)>(zokasModule_, "FSS_MIMERead");
    EXPECT_EQ(unused(), ZOKAS_ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(JournalHas("zokas FSS_MIMERead -> 50"));

    std::string bin = DistFolder();
    bin = bin.substr(0, bin.size() - 5) + "bin\\zokas-without-strip\\";
    HMODULE shorter = LoadLibraryExA((bin + "zokas.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(shorter, nullptr) << bin;
    for (const char* name : kAllExports) {
        if (!GetProcAddress(shorter, name)) {
            EXPECT_STREQ(name, "AS_VFStripConfidentialInformation");
        }
    }
    EXPECT_EQ(GetProcAddress(shorter, "AS_VFStripConfidentialInformation"), nullptr);
    FreeLibrary(shorter);
}

TEST_F(Zokas, InformationItemsComeFromTheSignatureFile)
{
    Open();
    EXPECT_EQ(InfoInt(ZOKAS_INFO_SET_NUMBER), 4127);
    EXPECT_EQ(InfoInt(ZOKAS_INFO_USABLE), 1);
    EXPECT_EQ(InfoInt(ZOKAS_INFO_DATE), 1796106600); // 2026-12-01 06:30:00 UTC
    EXPECT_EQ(InfoText(ZOKAS_INFO_USABLE), "2026-12-01 06:30:00");
    EXPECT_EQ(InfoText(ZOKAS_INFO_SET_NUMBER), "4127");
    EXPECT_TRUE(JournalHas("AS_InitializeAnalysisSystem record={size=" + std::to_string(sizeof(ZoAnalysisSystemRecord)) +
                           " id=\"0123456789abcdef0123456789abcdef\" version=\"2.5\"}"));
    EXPECT_EQ(Get<FSS_InitializeFileScanningSubsystem_t>(zokasModule_, "FSS_InitializeFileScanningSubsystem")(handle_, 0, 0), 0);
    EXPECT_EQ(Get<FSS_FreeFileScanningSubsystem_t>(zokasModule_, "FSS_FreeFileScanningSubsystem")(handle_), 0);
    EXPECT_EQ(Get<MDFS_FreeMalwareDefinitionFileSubsystem_t>(zokasModule_, "MDFS_FreeMalwareDefinitionFileSubsystem")(handle_), 0);
    EXPECT_EQ(Get<AS_FreeAnalysisSystem_t>(zokasModule_, "AS_FreeAnalysisSystem")(handle_), 0);
    EXPECT_EQ(Get<AS_FreeAnalysisSystem_t>(zokasModule_, "AS_FreeAnalysisSystem")(handle_), ZOKAS_ERROR_BAD_HANDLE);
}

TEST_F(Zokas, UpdateReplacesTheFileOnlyWithValidDefinitions)
{
    Open();
    qelsig::SignatureSet set;
    set.setNumber = 4200;
    set.date = 1800000000;
    set.dateText = "2027-01-15 08:00:00";
    set.signatures.push_back({1, 1, 0, qelsig::kKindPattern, "Only/One", {'a', 'b', 'c'}});
    std::vector<uint8_t> bytes = qelsig::Serialise(set);
    std::string update = folder_ + "qelsig.utp";
    WriteFile(update, std::string(bytes.begin(), bytes.end()));
    auto updateCall = Get<MDFS_UpdateSignatureFile_t>(zokasModule_, "MDFS_UpdateSignatureFile");

    std::string broken = folder_ + "broken.utp";
    WriteFile(broken, std::string(bytes.begin(), bytes.end() - 3));
    std::string before = ReadFile(sig_);
    EXPECT_EQ(updateCall(handle_, 3, broken.c_str(), sig_.c_str()), ZOKAS_ERROR_BROKEN_FILE);
    EXPECT_EQ(ReadFile(sig_), before);

    EXPECT_EQ(updateCall(handle_, 3, update.c_str(), sig_.c_str()), 0);
    EXPECT_EQ(ReadFile(sig_), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(InfoInt(ZOKAS_INFO_SET_NUMBER), 4200);
    EXPECT_TRUE(JournalHas("MDFS_UpdateSignatureFile handle="));
    EXPECT_TRUE(JournalHas("replaced date=\"2027-01-15 08:00:00\" -> 0"));
}

// One stored entry of a ZIP archive (the engine reads the local headers only).
std::string StoredEntry(const std::string& name, const std::string& content)
{
    auto word = [](uint32_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>(v >> (8 * i));
        return out;
    };
    uint32_t size = static_cast<uint32_t>(content.size());
    std::string zip = word(0x04034b50, 4) + word(20, 2) + word(0, 2) + word(0, 2) + word(0, 4) + word(0, 4) +
                      word(size, 4) + word(size, 4) + word(static_cast<uint32_t>(name.size()), 2) + word(0, 2) + name +
                      content;
    return zip;
}

TEST_F(Zokas, UpdateFromAZipArchive)
{
    Open();
    qelsig::SignatureSet set;
    set.setNumber = 4300;
    set.dateText = "2027-02-01 00:00:00";
    set.signatures.push_back({5, 7, 1, qelsig::kKindPattern, "Zip/One", {'z', 'i', 'p'}});
    std::vector<uint8_t> bytes = qelsig::Serialise(set);
    std::string content(bytes.begin(), bytes.end());
    std::string update = folder_ + "qelsig.zip";
    WriteFile(update, StoredEntry("readme.txt", "x") + StoredEntry("sig/QEL.SIG", content) + "PK\x01\x02");
    auto updateCall = Get<MDFS_UpdateSignatureFile_t>(zokasModule_, "MDFS_UpdateSignatureFile");
    EXPECT_EQ(updateCall(handle_, 2, update.c_str(), sig_.c_str()), 0);
    EXPECT_EQ(ReadFile(sig_), content);
    EXPECT_EQ(InfoText(ZOKAS_INFO_USABLE), "2027-02-01 00:00:00");
}

TEST_F(Zokas, InjectedFailureOfTheDefinitionSubsystem)
{
    Scenario("[Fail]\r\nMDFS_InitializeMalwareDefinitionFileSubsystem=1117\r\nMDFS_GetInfoInt.2=31\r\n");
    ASSERT_NE(LoadZokas(), nullptr);
    ZoAnalysisSystemRecord record{sizeof(ZoAnalysisSystemRecord), "id", "v"};
    std::string sig = folder_ + "Qel.sig";
    ZokasHandle handle = Get<AS_InitializeAnalysisSystem_t>(zokasModule_, "AS_InitializeAnalysisSystem")(&record, sig.c_str(), 1);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(Get<MDFS_InitializeMalwareDefinitionFileSubsystem_t>(
                  zokasModule_, "MDFS_InitializeMalwareDefinitionFileSubsystem")(handle, sig.c_str(), 1), 1117);
    EXPECT_EQ(Get<MDFS_GetLastError_t>(zokasModule_, "MDFS_GetLastError")(handle), 1117);
}

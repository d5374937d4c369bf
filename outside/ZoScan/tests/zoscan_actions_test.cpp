// The engine stand-in acting on what it finds: answers to its questions, files in use, detections handed
// back, second and heuristic actions.

#include "EngineFixture.h"

namespace {

// Removes the pending restart operations on files of `folder` (pairs of source and target texts), so that
// no later test of this prefix sees them. Returns how many pairs it removed.
int DropPendingOperations(const std::string& folder)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    std::vector<wchar_t> value(64 * 1024);
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t)), type = 0;
    int dropped = 0;
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &size) == ERROR_SUCCESS && type == REG_MULTI_SZ) {
        std::wstring wide(folder.begin(), folder.end());
        // Pairs of texts; a target may be empty, so split by the size, not at the first empty text.
        std::vector<std::wstring> texts;
        size_t count = size / sizeof(wchar_t), start = 0;
        for (size_t i = 0; i < count; ++i) {
            if (value[i] == L'\0') {
                texts.emplace_back(value.data() + start, i - start);
                start = i + 1;
            }
        }
        if (texts.size() % 2)
            texts.pop_back(); // the list's closing empty text
        std::wstring kept;
        for (size_t i = 0; i < texts.size(); i += 2) {
            const std::wstring& target = texts[i + 1];
            if (texts[i].find(wide) != std::wstring::npos) {
                ++dropped;
                continue;
            }
            kept += texts[i] + L'\0' + target + L'\0';
        }
        kept += L'\0';
        if (kept.size() == 1)
            RegDeleteValueW(key, L"PendingFileRenameOperations");
        else
            RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(kept.data()), static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    return dropped;
}

} // namespace

struct AnswerCase {
    uint32_t answer;
    uint32_t state;
    bool fileKeepsSignature;
    bool quarantined;
};

class QuestionAnswer : public EngineFolder, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(QuestionAnswer, TheEngineActsOnTheAnswer)
{
    const AnswerCase& c = GetParam();
    std::string infected = "MZ header;" + Eicar() + ";trailer";
    WriteFile(Data("tool.exe"), infected);
    OpenScan();
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_ASK), 0);
    AddPath(Data("tool.exe"));
    answer_ = c.answer;
    ASSERT_EQ(Analyse(), 0);

    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].path, Data("tool.exe"));
    EXPECT_EQ(questions_[0].malware, "EICAR-Test-File");
    EXPECT_TRUE(questions_[0].possible & ZOSCAN_POSSIBLE_DISINFECT);
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_EQ(results_[0].state, c.state);
    EXPECT_EQ(results_[0].rebootPending, 0u);
    EXPECT_EQ(ReadFile(Data("tool.exe")), c.fileKeepsSignature ? infected : "MZ header;;trailer");
    std::string copy = folder_ + "Quarantine\\" + Md5Hex(infected);
    EXPECT_EQ(ReadFile(copy + ".qel") == infected, c.quarantined);
    if (c.quarantined) {
        char path[MAX_PATH] = {};
        GetPrivateProfileStringA("Element", "Malware", "", path, MAX_PATH, (copy + ".ini").c_str());
        EXPECT_STREQ(path, "EICAR-Test-File");
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, QuestionAnswer,
                         ::testing::Values(AnswerCase{ZOSCAN_ACTION_DISINFECT, ZOSCAN_STATE_DISINFECTED, false, false},
                                           AnswerCase{ZOSCAN_ACTION_IGNORE, ZOSCAN_STATE_INFECTED, true, false},
                                           AnswerCase{ZOSCAN_ACTION_COPY_QUARANTINE, ZOSCAN_STATE_COPIED, true, true}));

TEST_F(EngineFolder, FileInUseIsDisinfectedAtTheNextRestart)
{
    std::string infected = "head" + Eicar();
    WriteFile(Data("busy.exe"), infected);
    HANDLE busy = CreateFileA(Data("busy.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    OpenScan();
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_DISINFECT), 0);
    AddPath(Data("busy.exe"));
    ASSERT_EQ(Analyse(), 0);
    CloseHandle(busy);
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_EQ(results_[0].rebootPending, 1u);
    EXPECT_EQ(results_[0].state, ZOSCAN_STATE_DISINFECTED);
    EXPECT_EQ(ReadFile(Data("busy.exe")), infected);
    EXPECT_EQ(ReadFile(Data("busy.exe.qelnew")), "head");
    EXPECT_EQ(DropPendingOperations(folder_), 1); // the replacement waits for the restart
}

TEST_F(EngineFolder, DetectionDataHandedBackDisinfectsThatElement)
{
    std::string infected = "start;" + Eicar() + ";end";
    WriteFile(Data("again.exe"), infected);
    OpenScan();
    AddPath(Data("again.exe"));
    ASSERT_EQ(Analyse(), 0);
    ASSERT_EQ(results_.size(), 1u);
    std::vector<uint8_t> data = results_[0].extra;
    ASSERT_FALSE(data.empty());

    ZoScanHandle second = scan.CreateList();
    ASSERT_NE(second, nullptr);
    std::vector<uint8_t> buffer = data;
    ZoDetectionDataRecord dataRecord{buffer.data(), static_cast<uint32_t>(buffer.size())};
    ZoMalwareRecord malware{};
    malware.type = 1;
    ZoDetectionItemRecord item{};
    item.size = sizeof item;
    item.malware = &malware;
    item.data = &dataRecord;
    ASSERT_EQ(scan.AddItem(second, ZOSCAN_ITEM_DETECTION, &item), 0);
    std::fill(buffer.begin(), buffer.end(), 0); // the caller reuses its buffers
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_DISINFECT), 0);
    results_.clear();
    ASSERT_EQ(scan.Analyse(system_, second), 0);
    scan.FreeList(second);

    ASSERT_EQ(results_.size(), 1u);
    EXPECT_EQ(results_[0].extra, data);
    EXPECT_EQ(results_[0].state, ZOSCAN_STATE_DISINFECTED);
    EXPECT_EQ(ReadFile(Data("again.exe")), "start;;end");
}

TEST_F(EngineFolder, SecondActionWhenTheFirstFails)
{
    WriteFile(Data("whole.bin"), "KVAUDIT-TEST-MD5-FILE\n"); // a whole-file signature cannot be disinfected
    OpenScan(ZOSCAN_CALLBACK_RESULT);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_DISINFECT), 0);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_ENABLE_SECOND_ACTION, 1), 0);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_SECOND_ACTION, ZOSCAN_ACTION_RENAME), 0);
    AddPath(Data("whole.bin"));
    ASSERT_EQ(Analyse(), 0);
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_EQ(results_[0].malware, "Virus/KvTestMd5");
    EXPECT_EQ(results_[0].state, ZOSCAN_STATE_RENAMED);
    EXPECT_EQ(results_[0].action, ZOSCAN_ACTION_RENAME);
    EXPECT_EQ(GetFileAttributesA(Data("whole.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFile(Data("whole.bin.vir")), "KVAUDIT-TEST-MD5-FILE\n");
}

TEST_F(EngineFolder, SuspiciousFilesTakeTheHeuristicAction)
{
    std::string content = "KVAUDIT-TEST-SUSPICIOUS-7F31";
    WriteFile(Data("odd.exe"), content);
    OpenScan(ZOSCAN_CALLBACK_RESULT);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_IGNORE), 0);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_HEURISTIC_SCAN_ACTION, ZOSCAN_ACTION_COPY_QUARANTINE), 0);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_FIRST_ACTION, 7), 87); // not an action: refused, kept "ignore"
    AddPath(Data("odd.exe"));
    ASSERT_EQ(Analyse(), 0);
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_EQ(results_[0].malwareType, ZOSCAN_MALWARE_SUSPICIOUS);
    EXPECT_EQ(results_[0].state, ZOSCAN_STATE_COPIED);
    EXPECT_EQ(ReadFile(folder_ + "Quarantine\\" + Md5Hex(content) + ".qel"), content);
    EXPECT_EQ(ReadFile(Data("odd.exe")), content);
}

// Detection handling from hand-built records through to the report entries of the result holder, the
// restart-needed flag, the statistics calls and the filtered-elements file.

#include "AnalysisFixture.h"
#include "DetectionHandling.h"
#include "DetectionRecords.h"
#include "FilteredElements.h"
#include "ScanCallbacks.h"
#include "TestLog.h"

namespace {

int g_statCalls;
int g_diskStatCalls;

class DetectionHandlingTest : public AnalysisFixture {
protected:
    void SetUp() override
    {
        AnalysisFixture::SetUp();
        g_statCalls = 0;
        g_diskStatCalls = 0;
        Hooks().statAddResult = [](const void*) { ++g_statCalls; };
        Hooks().statAddResultToDisk = [](const void*) { ++g_diskStatCalls; };
        results_->BeginAnalysis(false, false);
        Adapter().currentSensitivity = HEURISTIC_MEDIUM;
    }

    // One result through the standard callback, as the engine sends it.
    void Send(FakeResult& r) { EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_RESULT, &r.result, nullptr), 0); }
};

TEST_F(DetectionHandlingTest, TypeAndSubTypeGiveTheEntryCodes)
{
    struct Case {
        uint32_t type, subType;
        uint32_t code;
        const char* id;
    } cases[] = {
        {1, 0, 0, "0.4711"}, {1, 2, 1, "0.4711"}, {1, 3, 1, "0.4711"}, {1, 4, 2, "0.4711"}, {1, 6, 2, "0.4711"},
        {1, 7, 0, "0.4711"}, {2, 0, 5, "0.4711"}, {3, 0, 6, "0.4711"}, {4, 0, 7, "0.4711"}, {5, 1, 7, "0.4711"},
        {6, 0, 8, "0.4711"}, {7, 0, 4, "0.4711"}, {8, 0, 4, "0.4711"}, {9, 0, 9, "0.4711"},
        {13, 0, 11, "0.0"},  {40, 3, 11, "0.0"},
    };
    for (const Case& c : cases) {
        FakeResult r("C:\\nowhere\\x.exe", c.type, c.subType);
        Send(r);
        ASSERT_FALSE(results_->reports.empty()) << c.type << "/" << c.subType;
        const ReportEntry& e = results_->reports.back();
        EXPECT_EQ(e.malwareType, c.code) << c.type << "/" << c.subType;
        EXPECT_EQ(e.malwareId, c.id) << c.type;
        EXPECT_EQ(e.referenceText, std::to_string(c.type) + ";" + std::to_string(c.subType) + ";UUVMRAECAw==");
        EXPECT_EQ(e.malwareName, "W32/Test.A");
        EXPECT_EQ(e.md5, "00112233445566778899AABBCCDDEEFF");
    }
    EXPECT_EQ(results_->reports.size(), sizeof cases / sizeof cases[0]);
    EXPECT_EQ(g_statCalls, 0) << "statistics are off";
}

TEST_F(DetectionHandlingTest, LocationFromWordAndElementType)
{
    struct Case {
        uint32_t word, elementType;
        uint32_t location, running;
    } cases[] = {
        {0x80000001, 1, 1, 0}, {0x80000001, 2, 1, 0}, {0x80000001, 9, 4, 0}, {0x80000001, 11, 0, 1},
        {0x80000001, 3, 0, 0}, {0x80000002, 3, 0, 0}, {0x80000003, 5, 0, 0}, {0x80000004, 5, 2, 0},
        {0x80000005, 6, 3, 0}, {0x12345678, 11, 0, 0},
    };
    for (const Case& c : cases) {
        FakeResult r("C:\\nowhere\\y.dll", 1);
        r.element.location = c.word;
        r.element.elementType = c.elementType;
        Send(r);
        ASSERT_FALSE(results_->reports.empty());
        EXPECT_EQ(results_->reports.back().location, c.location) << std::hex << c.word << " " << c.elementType;
        EXPECT_EQ(results_->reports.back().wasRunning, c.running) << std::hex << c.word << " " << c.elementType;
    }
}

TEST_F(DetectionHandlingTest, StateAndRebootGiveTheActionAndTheRestartFlag)
{
    struct Case {
        uint32_t state, reboot, action;
    } cases[] = {{2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}, {6, 0, 3}, {0x1002, 0, 3}, {0x1000, 0, 3}, {0x1002, 1, 1}, {2, 1, 1}};
    for (const Case& c : cases) {
        config_.restartNeeded = false;
        FakeResult r("C:\\nowhere\\z.exe", 1);
        r.node.resultCode = c.state;
        r.element.rebootPending = c.reboot;
        Send(r);
        ASSERT_FALSE(results_->reports.empty());
        EXPECT_EQ(results_->reports.back().action, c.action) << std::hex << c.state << " " << c.reboot;
        EXPECT_EQ(config_.restartNeeded, c.reboot != 0) << std::hex << c.state;
    }
    // Hidden detections are marked and logged.
    TestLog log;
    FakeResult hidden("C:\\nowhere\\h.sys", 1);
    hidden.node.hidden = 1;
    Send(hidden);
    EXPECT_EQ(results_->reports.back().hidden, 1u);
    std::vector<std::string> lines = log.Messages("DetectionHandling.cpp");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Hidden element"), lines.end());
}

TEST_F(DetectionHandlingTest, MaxNumDetectionsCutsButKeepsTheRestartFlag)
{
    config_.maxNumDetections = 2;
    config_.generateStatistics = true;
    for (int i = 0; i < 5; ++i) {
        FakeResult r("C:\\nowhere\\m" + std::to_string(i) + ".exe", 1);
        r.element.rebootPending = i == 4; // only a cut-off detection needs the restart
        Send(r);
        if (i == 1) {
            FakeResult filtered("C:\\nowhere\\f.exe", 16); // not counted
            Send(filtered);
        }
    }
    ASSERT_EQ(results_->reports.size(), 2u);
    EXPECT_EQ(results_->reports[1].elementPath, L"C:\\nowhere\\m1.exe");
    EXPECT_TRUE(config_.restartNeeded);
    EXPECT_EQ(g_statCalls, 3) << "two reported detections and the filtered element; cut-offs are not counted";
}

TEST_F(DetectionHandlingTest, HeuristicWithSensitivityOffIsCountedNotReported)
{
    config_.maxNumDetections = 2;
    config_.generateStatistics = true;
    Adapter().currentSensitivity = HEURISTIC_OFF;
    FakeResult heuristic("C:\\nowhere\\h.exe", 30);
    Send(heuristic);
    EXPECT_TRUE(results_->reports.empty());
    EXPECT_EQ(g_statCalls, 1);
    FakeResult virus1("C:\\nowhere\\v1.exe", 1), virus2("C:\\nowhere\\v2.exe", 1);
    Send(virus1);
    Send(virus2);
    EXPECT_EQ(results_->reports.size(), 1u) << "the heuristic detection took one of the two places";
    // A result without detection still goes to the statistics; mail analyses use the disk variant.
    Adapter().mailAnalysis = true;
    FakeResult clean("C:\\nowhere\\clean.txt", 1);
    clean.result.detections = 0;
    Send(clean);
    EXPECT_EQ(g_diskStatCalls, 1);
}

TEST_F(DetectionHandlingTest, ContainerEntriesWaitForTheirContainer)
{
    config_.disinfection = true;
    FakeResult inner1("C:\\box.zip\\a.exe", 1), inner2("C:\\box.zip\\b.exe", 7), done("C:\\box.zip\\c.exe", 1);
    inner1.element.elementType = inner2.element.elementType = done.element.elementType = 8;
    done.node.resultCode = ZOSCAN_STATE_DISINFECTED; // not waiting: its action succeeded
    Send(inner1);
    Send(inner2);
    Send(done);
    ASSERT_EQ(results_->reports.size(), 1u);
    EXPECT_EQ(Adapter().waiting.size(), 2u);

    FakeResult box("C:\\box.zip", 1);
    box.element.elementType = ZOSCAN_ELEMENT_CONTAINER;
    box.node.resultCode = ZOSCAN_STATE_RENAMED;
    box.element.rebootPending = 1;
    Send(box);
    ASSERT_EQ(results_->reports.size(), 4u);
    // The container's own entry first, then those that waited for it, with its action code.
    EXPECT_EQ(results_->reports[1].elementPath, L"C:\\box.zip");
    EXPECT_EQ(results_->reports[2].elementPath, L"C:\\box.zip\\a.exe");
    EXPECT_EQ(results_->reports[3].elementPath, L"C:\\box.zip\\b.exe");
    EXPECT_EQ(results_->reports[2].action, 1u);
    EXPECT_EQ(results_->reports[3].action, 1u);
    EXPECT_TRUE(Adapter().waiting.empty());

    // Entries whose container never reports go out with their own action code.
    FakeResult orphan("C:\\other.zip\\d.exe", 1);
    orphan.element.elementType = 8;
    Send(orphan);
    EXPECT_EQ(results_->reports.size(), 4u);
    FlushWaitingEntries();
    ASSERT_EQ(results_->reports.size(), 5u);
    EXPECT_EQ(results_->reports[4].action, 3u);
}

TEST_F(DetectionHandlingTest, PathsGoFromUtf8ToUtf16AndKeepTheirExtension)
{
    // Not on disk: taken as converted.
    FakeResult missing("C:\\nowhere\\caf\xC3\xA9\\\xE6\x97\xA5.exe", 1);
    Send(missing);
    EXPECT_EQ(results_->reports.back().elementPath, L"C:\\nowhere\\caf\u00e9\\\u65e5.exe");

    // On disk: resolved through display names; the extension stays.
    std::string file = Data("report.txt");
    WriteFile(file, "x");
    FakeResult present(file, 1);
    Send(present);
    std::wstring path = results_->reports.back().elementPath;
    ASSERT_GE(path.size(), 4u);
    EXPECT_EQ(path.substr(path.size() - 4), L".txt");
    EXPECT_NE(path.find(L"report"), std::wstring::npos);
}

TEST_F(DetectionHandlingTest, FilteredElementsGoToTheFileNotTheReport)
{
    config_.filteredElementsFolder = L"Filtered";
    CreateDirectoryA((folder_ + "Filtered").c_str(), nullptr);
    FakeResult filtered("C:\\nowhere\\f.exe", 16);
    filtered.element.location = ZOSCAN_LOCATION_OUTLOOK;
    Send(filtered);
    EXPECT_TRUE(results_->reports.empty());
    Adapter().filtered.Close();

    FilteredElement expected;
    for (int i = 0; i < 16; ++i)
        expected.md5[i] = static_cast<uint8_t>(i * 17);
    expected.path = L"C:\\nowhere\\f.exe";
    expected.reference = "UUVMRAECAw==";
    expected.location = 2;
    std::string bytes = ReadFile(folder_ + "Filtered\\fSuspInfo.dat");
    EXPECT_EQ(bytes, FilteredHeaderBytes(config_.instanceId) + FilteredRecordBytes(expected));

    // The disinfection run reports them like other detections, as heuristic ones.
    config_.disinfection = true;
    FakeResult again("C:\\nowhere\\g.exe", 16);
    Send(again);
    ASSERT_EQ(results_->reports.size(), 1u);
    EXPECT_EQ(results_->reports[0].malwareType, 11u);
    EXPECT_EQ(ReadFile(folder_ + "Filtered\\fSuspInfo.dat").size(), bytes.size());
}

TEST_F(DetectionHandlingTest, FileOpenedForAppendingIsNotReplaced)
{
    // Another program of the run made the file.
    std::string path = folder_ + "fSuspInfo.dat";
    FilteredElement earlier;
    earlier.path = L"C:\\earlier.exe";
    std::string before = FilteredHeaderBytes("{22222222-2222-3333-4444-555555555555}") + FilteredRecordBytes(earlier);
    WriteFile(path, before);

    ASSERT_TRUE(OpenFilteredElementsForAppend());
    FakeResult filtered("C:\\nowhere\\f.exe", 16);
    Send(filtered);
    CloseFilteredElements();
    // Closed and met again later in the run: appended again.
    FakeResult again("C:\\nowhere\\g.exe", 16);
    Send(again);
    CloseFilteredElements();

    std::string bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), before.size());
    EXPECT_EQ(bytes.substr(0, before.size()), before);
    EXPECT_NE(bytes.find(std::string("g\0.\0e\0x\0e\0", 10)), std::string::npos);
    EXPECT_NE(bytes.find(std::string("f\0.\0e\0x\0e\0", 10)), std::string::npos);
}

} // namespace

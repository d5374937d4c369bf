#include "Requirements.h"
#include "RequirementsWindow.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <process.h>

namespace {

const uint64_t MB = 1048576;
const uint16_t X86 = PROCESSOR_ARCHITECTURE_INTEL;
const uint16_t X64 = PROCESSOR_ARCHITECTURE_AMD64;
const uint16_t IA64 = PROCESSOR_ARCHITECTURE_IA64;

// Facts that the probes below hand out; each test case changes some of them.
struct FakeMachine {
    bool memoryOk = true;
    uint64_t memory = 512 * MB;
    bool diskOk = true;
    uint64_t disk = 4096 * MB;
    bool registryMhzOk = true;
    uint32_t registryMhz = 2000;
    uint32_t measuredMhz = 1500;
    uint16_t architecture = X86;
    uint16_t level = 6;
    uint32_t type = PROCESSOR_INTEL_PENTIUM;
    bool browserOk = true;
    int browser = 8;
    std::wstring diskRootAsked;
    int measureCalls = 0;
};
FakeMachine g_machine;

const RequirementProbes kFakeProbes = {
    [](uint64_t* bytes) { *bytes = g_machine.memory; return g_machine.memoryOk; },
    [](const std::wstring& root, uint64_t* bytes) {
        g_machine.diskRootAsked = root;
        *bytes = g_machine.disk;
        return g_machine.diskOk;
    },
    [](uint32_t* mhz) { *mhz = g_machine.registryMhz; return g_machine.registryMhzOk; },
    []() { ++g_machine.measureCalls; return g_machine.measuredMhz; },
    [](uint16_t* architecture, uint16_t* level, uint32_t* type) {
        *architecture = g_machine.architecture;
        *level = g_machine.level;
        *type = g_machine.type;
    },
    [](int* major) { *major = g_machine.browser; return g_machine.browserOk; },
};

struct ThresholdCase {
    const char* what;
    void (*change)(FakeMachine&);
    bool processor, memory, disk, browser;
};

const ThresholdCase kThresholds[] = {
    {"a machine above every minimum", [](FakeMachine&) {}, false, false, false, false},
    {"exactly 128 MB of memory", [](FakeMachine& m) { m.memory = 128 * MB; }, false, false, false, false},
    {"127.9 MB of memory", [](FakeMachine& m) { m.memory = 128 * MB - MB / 10; }, false, true, false, false},
    {"memory above 4 GB", [](FakeMachine& m) { m.memory = 8192 * MB; }, false, false, false, false},
    {"memory unreadable", [](FakeMachine& m) { m.memoryOk = false; }, false, true, false, false},
    {"exactly 100 MB free", [](FakeMachine& m) { m.disk = 100 * MB; }, false, false, false, false},
    {"99.9 MB free", [](FakeMachine& m) { m.disk = 100 * MB - MB / 10; }, false, false, true, false},
    {"free space above 4 GB keeps its high bits", [](FakeMachine& m) { m.disk = (4096 + 50) * MB; }, false, false,
     false, false},
    {"free space unreadable", [](FakeMachine& m) { m.diskOk = false; }, false, false, true, false},
    {"65 MHz", [](FakeMachine& m) { m.registryMhz = 65; }, true, false, false, false},
    {"66 MHz", [](FakeMachine& m) { m.registryMhz = 66; }, false, false, false, false},
    {"no registry speed, measured 65", [](FakeMachine& m) { m.registryMhzOk = false; m.measuredMhz = 65; }, true,
     false, false, false},
    {"no registry speed, measured 66", [](FakeMachine& m) { m.registryMhzOk = false; m.measuredMhz = 66; }, false,
     false, false, false},
    {"386 by level", [](FakeMachine& m) { m.level = 3; }, true, false, false, false},
    {"486 by level", [](FakeMachine& m) { m.level = 4; }, false, false, false, false},
    {"level 0, type 386", [](FakeMachine& m) { m.level = 0; m.type = PROCESSOR_INTEL_386; }, true, false, false,
     false},
    {"level 0, type 486", [](FakeMachine& m) { m.level = 0; m.type = PROCESSOR_INTEL_486; }, false, false, false,
     false},
    {"level 0, Pentium type", [](FakeMachine& m) { m.level = 0; }, false, false, false, false},
    {"x64 with level 0 and 66 MHz", [](FakeMachine& m) { m.architecture = X64; m.level = 0; m.type = 0;
                                                          m.registryMhz = 66; }, false, false, false, false},
    {"IA-64 with level 0", [](FakeMachine& m) { m.architecture = IA64; m.level = 0; m.type = 0; }, false, false,
     false, false},
    {"x64 at 65 MHz", [](FakeMachine& m) { m.architecture = X64; m.registryMhz = 65; }, true, false, false, false},
    {"Internet Explorer 5", [](FakeMachine& m) { m.browser = 5; }, false, false, false, false},
    {"Internet Explorer 4", [](FakeMachine& m) { m.browser = 4; }, false, false, false, true},
    {"no browser key", [](FakeMachine& m) { m.browserOk = false; }, false, false, false, true},
};

TEST(RequirementsTest, ThresholdsFromMeasuredFacts)
{
    for (const ThresholdCase& c : kThresholds) {
        g_machine = FakeMachine();
        c.change(g_machine);
        RequirementFacts facts;
        MeasureAll(kFakeProbes, L"C:\\Temp\\KVScan", facts);
        RequirementFlags flags = EvaluateRequirements(facts, false);
        EXPECT_EQ(flags.processor, c.processor) << c.what;
        EXPECT_EQ(flags.memory, c.memory) << c.what;
        EXPECT_EQ(flags.disk, c.disk) << c.what;
        EXPECT_EQ(flags.browser, c.browser) << c.what;
        EXPECT_FALSE(flags.os || flags.servicePack) << c.what << ": the launcher has no OS test";
        EXPECT_EQ(flags.Any(), c.processor || c.memory || c.disk || c.browser) << c.what;
        EXPECT_EQ(g_machine.measureCalls, g_machine.registryMhzOk ? 0 : 1) << c.what;
    }
}

TEST(RequirementsTest, ScannerOperatingSystemAndServicePack)
{
    struct Case {
        int osType;
        const char* servicePack;
        bool os, servicePackFailed;
    };
    const Case cases[] = {
        {0, "", true, false},
        {1, "Second edition", true, false},
        {2, "", true, false},
        {3, "Service Pack 6", true, false},
        {3, "service pack 6", true, false},
        {4, "Service Pack 6a", true, true},
        {3, "", true, true},
        {5, "", false, false},
        {7, "Service Pack 3", false, false},
        {11, "", false, false},
        {999999999, "", false, false},
    };
    for (const Case& c : cases) {
        RequirementFacts facts;
        g_machine = FakeMachine();
        MeasureAll(kFakeProbes, L"C:\\x", facts);
        facts.osType = c.osType;
        facts.servicePack = c.servicePack;
        RequirementFlags flags = EvaluateRequirements(facts, true);
        EXPECT_EQ(flags.os, c.os) << c.osType << " " << c.servicePack;
        EXPECT_EQ(flags.servicePack, c.servicePackFailed) << c.osType << " " << c.servicePack;
        EXPECT_FALSE(EvaluateRequirements(facts, false).Any()) << "without the OS test";
    }
}

TEST(RequirementsTest, FreeSpaceIsMeasuredAtTheRootOfTheWorkFolder)
{
    const struct {
        const wchar_t* folder;
        const wchar_t* root;
    } cases[] = {
        {L"C:\\Documents and Settings\\x\\Temp\\KVScan", L"C:\\"},
        {L"d:", L"d:\\"},
        {L"\\\\server\\share\\audit\\KVScan", L"\\\\server\\share\\"},
        {L"\\\\server\\share", L"\\\\server\\share\\"},
        {L"\\\\server", L""},
        {L"\\\\\\share", L""},
        {L"relative\\folder", L""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DiskRootOf(c.folder), c.root) << c.folder;
        g_machine = FakeMachine();
        g_machine.diskRootAsked = L"(not asked)";
        RequirementFacts facts;
        MeasureDisk(kFakeProbes, c.folder, facts);
        EXPECT_EQ(facts.diskKnown, *c.root != 0) << c.folder;
        EXPECT_EQ(g_machine.diskRootAsked, *c.root ? c.root : L"(not asked)") << c.folder;
    }
}

TEST(RequirementsTest, ClusterProductDoesNotWrapAt4GB)
{
    EXPECT_EQ(ClusterBytes(8, 512, 4000000), 16384000000ull);
    EXPECT_EQ(ClusterBytes(64, 4096, 0xFFFFFFFFu), 64ull * 4096 * 0xFFFFFFFFull);
}

TEST(RequirementsTest, ThisMachineAnswersEveryProbe)
{
    RequirementFacts facts;
    MeasureAll(kSystemProbes, L"C:\\windows\\temp", facts);
    EXPECT_TRUE(facts.memoryKnown);
    EXPECT_TRUE(facts.diskKnown);
    EXPECT_GT(facts.processorMhz, 0u);
    EXPECT_GE(facts.browserMajor, 5) << "Wine registers its browser under App Paths";
    EXPECT_FALSE(ProcessorName().empty());
}

struct ShownWindow {
    std::vector<std::wstring> texts;
    bool ownerFound = false;
};

BOOL CALLBACK CollectText(HWND child, LPARAM param)
{
    wchar_t text[512] = {};
    GetWindowTextW(child, text, 511);
    reinterpret_cast<ShownWindow*>(param)->texts.push_back(text);
    return TRUE;
}

RequirementTexts g_texts;
std::vector<RequirementRow> g_rows;

unsigned __stdcall ShowWindowThread(void*)
{
    ShowRequirementsWindow(g_texts, g_rows);
    return 0;
}

// The dialog runs modally in a thread of its own; the test reads its controls and presses OK.
TEST(RequirementsTest, WindowShowsTheRowsAndEndsWithItsButton)
{
    RequirementTexts& texts = g_texts;
    texts.caption = L"Cannot run (test)";
    texts.button = L"Close";
    texts.statement = L"Statement";
    texts.footnote = L"(*) Footnote";
    g_rows = {{L"RAM", L"128 MB", L"64 MB (*)", true}};
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ShowWindowThread, nullptr, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    HWND dialog = nullptr; // found once its last control, the button, exists
    for (int i = 0; i < 200 && !(dialog && GetDlgItem(dialog, IDOK)); ++i) {
        dialog = FindWindowW(nullptr, texts.caption.c_str());
        Sleep(25);
    }
    ASSERT_NE(dialog, nullptr);
    ShownWindow shown;
    EnumChildWindows(dialog, CollectText, reinterpret_cast<LPARAM>(&shown));
    shown.ownerFound = FindWindowW(L"REQERR_MAIN_WND", nullptr) == GetWindow(dialog, GW_OWNER);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0) << "the button ends the window";
    CloseHandle(thread);
    for (const wchar_t* text : {L"Statement", L"RAM", L"128 MB", L"64 MB (*)", L"(*) Footnote", L"Close"})
        EXPECT_NE(std::find(shown.texts.begin(), shown.texts.end(), text), shown.texts.end()) << text;
    EXPECT_TRUE(shown.ownerFound);
}

TEST(RequirementsTest, WindowRowsMarkWhatFailed)
{
    RequirementTexts texts;
    texts.processor = L"Processor";
    texts.memory = L"RAM";
    texts.disk = L"Disk space";
    texts.operatingSystem = L"Operating System";
    texts.browser = L"Internet/Browser";
    texts.processorMinimum = L"486 at %d MHz (or later)";
    texts.memoryValue = L"%d MB";
    texts.diskValue = L"Hard disk: %d MB";
    texts.browserMinimum = L"Internet Explorer %d, or later";
    texts.browserValue = L"Internet Explorer %d";
    texts.supportedSystems = L"Windows 2000, ...";
    RequirementFacts facts;
    facts.processorMhz = 65;
    facts.totalMemoryBytes = 512 * MB;
    facts.freeDiskBytes = 99 * MB + MB / 2;
    facts.browserMajor = -1;
    RequirementFlags flags;
    flags.processor = flags.disk = flags.browser = flags.servicePack = true;
    std::vector<RequirementRow> rows = RequirementRows(texts, facts, flags, L"Pentium", L"Windows NT 4.0");
    ASSERT_EQ(rows.size(), 5u);
    const struct {
        const wchar_t *label, *minimum, *detected;
        bool failing;
    } expected[] = {
        {L"Processor", L"486 at 66 MHz (or later)", L"Pentium - 65 MHz (*)", true},
        {L"RAM", L"128 MB", L"512 MB", false},
        {L"Disk space", L"Hard disk: 100 MB", L"Hard disk: 99 MB (*)", true},
        {L"Operating System", L"Windows 2000, ...", L"Windows NT 4.0 (*)", true},
        {L"Internet/Browser", L"Internet Explorer 5, or later", L"Internet Explorer 0 (*)", true},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].label, expected[i].label);
        EXPECT_EQ(rows[i].minimum, expected[i].minimum);
        EXPECT_EQ(rows[i].detected, expected[i].detected);
        EXPECT_EQ(rows[i].failing, expected[i].failing) << i;
    }
}

} // namespace

// The answers to the engine's questions: names that must not be disinfected, repeated paths, each
// group's configured action and suspicious files against the sent-suspicious list.

#include "AnalysisFixture.h"
#include "DetectionHandling.h"
#include "DetectionRecords.h"
#include "ScanCallbacks.h"
#include "SentSuspicious.h"
#include "TestLog.h"

#include <algorithm>

namespace {

class QuestionHandlerTest : public AnalysisFixture {
protected:
    void SetUp() override
    {
        AnalysisFixture::SetUp();
        listPath_ = SentSuspiciousListPath();
        DeleteFileW(listPath_.c_str());
    }
    void TearDown() override
    {
        DeleteFileW(listPath_.c_str());
        AnalysisFixture::TearDown();
    }

    uint32_t Ask(FakeResult& r)
    {
        r.question.action = 0xDEAD;
        EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_QUESTION, &r.question, nullptr), 0);
        return r.question.action;
    }

    std::wstring listPath_;
    int next_ = 0;
    std::string NewPath() { return "C:\\asked\\file" + std::to_string(++next_) + ".exe"; }
};

TEST_F(QuestionHandlerTest, EachGroupFollowsItsAction)
{
    struct Case {
        uint32_t type;
        int TessalyConfig::*action;
    } cases[] = {
        {1, &TessalyConfig::virusAction},        {2, &TessalyConfig::jokesAction},
        {3, &TessalyConfig::dialersAction},      {4, &TessalyConfig::hackingToolsAction},
        {5, &TessalyConfig::hackingToolsAction}, {6, &TessalyConfig::securityRiskAction},
        {7, &TessalyConfig::spywareAction},      {8, &TessalyConfig::spywareAction},
        {9, &TessalyConfig::cookiesAction},
    };
    for (const Case& c : cases) {
        for (int setting : {MALWARE_DISINFECT, MALWARE_INFORM}) {
            config_.*c.action = setting;
            FakeResult r(NewPath(), c.type);
            EXPECT_EQ(Ask(r), setting == MALWARE_DISINFECT ? ZOSCAN_ACTION_DISINFECT : ZOSCAN_ACTION_IGNORE)
                << "type " << c.type << " setting " << setting;
            config_.*c.action = MALWARE_INFORM; // so that no other group's case depends on it
        }
    }
    FakeResult heuristic(NewPath(), 30);
    EXPECT_EQ(Ask(heuristic), ZOSCAN_ACTION_IGNORE);
}

TEST_F(QuestionHandlerTest, NamesThatMustNotBeDisinfected)
{
    TestLog log;
    config_.excludeMalwareList = {L"W32/Keep.A"};
    FakeResult excluded(NewPath(), 1, 0, "W32/Keep.A");
    EXPECT_EQ(Ask(excluded), ZOSCAN_ACTION_IGNORE);
    FakeResult similar(NewPath(), 1, 0, "W32/Keep.AB"); // exact comparison
    EXPECT_EQ(Ask(similar), ZOSCAN_ACTION_DISINFECT);

    config_.disinfectMalwareList = {L"W32/Only.A"};
    FakeResult unlisted(NewPath(), 1, 0, "W32/Other.A");
    EXPECT_EQ(Ask(unlisted), ZOSCAN_ACTION_IGNORE);
    FakeResult listed(NewPath(), 1, 0, "W32/Only.A");
    EXPECT_EQ(Ask(listed), ZOSCAN_ACTION_DISINFECT);

    std::vector<std::string> lines = log.Messages("QuestionHandler.cpp");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Malware [W32/Keep.A] found but it must not be disinfected."), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Malware [W32/Other.A] found but it must not be disinfected."), 1);
    // An excluded name does not enter the answered paths.
    EXPECT_EQ(config_.answeredPaths.size(), 2u);
}

TEST_F(QuestionHandlerTest, RepeatedPathIsIgnoredWithoutDump)
{
    FakeResult first("C:\\Asked\\Same.exe", 1);
    EXPECT_EQ(Ask(first), ZOSCAN_ACTION_DISINFECT);
    TestLog log;
    FakeResult again("c:\\asked\\SAME.EXE", 1); // compared upper-cased
    EXPECT_EQ(Ask(again), ZOSCAN_ACTION_IGNORE);
    std::vector<std::string> lines = log.Messages("QuestionHandler.cpp");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Malware [c:\\asked\\SAME.EXE] found but it was previously detected.");
    EXPECT_TRUE(log.Messages("MalwareScanDbg.cpp").empty());
    EXPECT_EQ(config_.answeredPaths, std::vector<std::wstring>{L"C:\\ASKED\\SAME.EXE"});
}

TEST_F(QuestionHandlerTest, SuspiciousFilesAgainstTheSentList)
{
    // Digest of the fake element: 00112233445566778899AABBCCDDEEFF.
    FakeResult noList(NewPath(), 13);
    EXPECT_EQ(Ask(noList), ZOSCAN_ACTION_IGNORE) << "list missing";

    WriteFile(std::string(listPath_.begin(), listPath_.end()),
              "FFEEDDCCBBAA99887766554433221100 2026-01-01\r\n00112233445566778899aabbccddeeff sent\r\n");
    FakeResult listed(NewPath(), 13);
    EXPECT_EQ(Ask(listed), ZOSCAN_ACTION_IGNORE);

    WriteFile(std::string(listPath_.begin(), listPath_.end()), "FFEEDDCCBBAA99887766554433221100\r\n");
    FakeResult unlisted(NewPath(), 13);
    EXPECT_EQ(Ask(unlisted), ZOSCAN_ACTION_COPY_QUARANTINE);
    EXPECT_EQ(ReadFile(std::string(listPath_.begin(), listPath_.end())), "FFEEDDCCBBAA99887766554433221100\r\n")
        << "the list is only read";
}

TEST_F(QuestionHandlerTest, AnswerIsDumped)
{
    TestLog log;
    FakeResult r("C:\\asked\\dumped.exe", 1);
    r.element.rebootPending = 1;
    r.element.errorCode = 5;
    Ask(r);
    std::vector<std::string> lines = log.Messages("MalwareScanDbg.cpp");
    std::vector<std::string> expected = {"Scan. Element found: File.", "    Path: C:\\asked\\dumped.exe",
                                         "    Analysis state: Infected.  Reboot pending. Error code:5",
                                         "    Possible actions: disinfect, erase.", "    Action requested: disinfect"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(log.Messages("QuestionHandler.cpp"), std::vector<std::string>{"--ASK--"});
}

} // namespace

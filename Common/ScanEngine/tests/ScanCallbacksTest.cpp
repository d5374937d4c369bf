// The callbacks from hand-built records: progress percent and counters, malformed records, the
// time-out event, the stop flag and unknown types.

#include "AnalysisFixture.h"
#include "ScanCallbacks.h"
#include "TestLog.h"

#include <cstring>

namespace {

std::vector<uint32_t> g_percents;
std::vector<std::string> g_items;

void RecordItem(const char* item) { g_items.push_back(item); }
void RecordPercent(uint32_t percent) { g_percents.push_back(percent); }

class ScanCallbacksTest : public AnalysisFixture {
protected:
    void SetUp() override
    {
        AnalysisFixture::SetUp();
        g_percents.clear();
        g_items.clear();
        Hooks().progressItem = RecordItem;
        Hooks().progressPercent = RecordPercent;
    }

    static ZoProgressRecord Progress(uint32_t step, uint32_t steps, uint32_t percentInStep, const char* name = "C:\\data")
    {
        ZoProgressRecord record;
        std::memset(&record, 0, sizeof record);
        record.size = sizeof record;
        record.flags = ZOSCAN_PROGRESS_VALID;
        record.itemName = name;
        record.step = step;
        record.steps = steps;
        record.percentInStep = percentInStep;
        return record;
    }
};

TEST_F(ScanCallbacksTest, ProgressPercentOfTheWholeAnalysis)
{
    struct Case {
        uint32_t step, steps, inStep, percent;
    } cases[] = {
        {1, 1, 40, 40}, {1, 0, 40, 40},   // no steps counts as one
        {0, 2, 50, 25},                   // step 0 counts as step 1
        {2, 4, 50, 37}, {4, 4, 100, 100}, // integer arithmetic
        {3, 2, 100, 100},                 // beyond the last step: clamped
        {1, 1, 250, 100}, {42949674, 1, 0, 100}, // (step - 1) * 100 beyond 32 bits
    };
    for (const Case& c : cases) {
        ZoProgressRecord record = Progress(c.step, c.steps, c.inStep);
        g_percents.clear();
        EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_PROGRESS, &record, nullptr), 0);
        ASSERT_EQ(g_percents.size(), 1u);
        EXPECT_EQ(g_percents[0], c.percent) << c.step << "/" << c.steps << " " << c.inStep;
    }
    ASSERT_FALSE(g_items.empty());
    EXPECT_EQ(g_items.back(), "C:\\data");
}

TEST_F(ScanCallbacksTest, CountersOfTheAnalysisFromTheBlocks)
{
    ZoProgressRecord record = Progress(1, 1, 0);
    record.flags = ZOSCAN_COUNTERS_VALID; // progress fields not valid: nothing shown
    for (uint32_t i = 0; i < ZOSCAN_COUNTER_BLOCKS; ++i)
        record.counters[i].count = 1u << i; // 1, 2, 4, ... 256
    EXPECT_EQ(intensiveCallback(ZOSCAN_CALLBACK_PROGRESS, &record, nullptr), 0);
    EXPECT_TRUE(g_percents.empty());
    EXPECT_EQ(results_->analysis.elements, 511ul - 8ul); // all blocks but the folders walked
    EXPECT_EQ(results_->analysis.files, 1ul + 16ul + 256ul);
    EXPECT_EQ(results_->analysis.messages, 4ul);
}

TEST_F(ScanCallbacksTest, RecordOfTheWrongSizeStopsTheAnalysis)
{
    ZoProgressRecord record = Progress(1, 1, 10);
    record.size = 1000;
    EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_PROGRESS, &record, nullptr), 1);
    EXPECT_EQ(intensiveCallback(ZOSCAN_CALLBACK_PROGRESS, &record, nullptr), 1);
    EXPECT_TRUE(g_percents.empty());
    // An event record of the wrong size is ignored.
    TestLog log;
    ZoEventRecord event{8, ZOSCAN_EVENT_ERROR, ZOSCAN_ERROR_TIMEOUT};
    EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_EVENT, &event, nullptr), 0);
    EXPECT_TRUE(log.Messages("ScanCallbacks.cpp").empty());
    EXPECT_EQ(Adapter().stopRequested, 0);
}

TEST_F(ScanCallbacksTest, TimeOutTwiceGivesOneReportAndStops)
{
    TestLog log;
    ZoEventRecord other{sizeof(ZoEventRecord), ZOSCAN_EVENT_ERROR, 7};
    EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_EVENT, &other, nullptr), 0);
    EXPECT_EQ(Adapter().stopRequested, 0) << "an error other than the time-out does not stop";
    EXPECT_TRUE(ErrorReports().empty());

    ZoEventRecord timeout{sizeof(ZoEventRecord), ZOSCAN_EVENT_ERROR, ZOSCAN_ERROR_TIMEOUT};
    EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_EVENT, &timeout, nullptr), 0);
    EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_EVENT, &timeout, nullptr), 0);
    std::vector<std::string> reports = ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("Timeout error from analysis"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("3016"), std::string::npos) << reports[0];
    EXPECT_EQ(Adapter().stopRequested, 1);
    EXPECT_EQ(Adapter().timedOut, 1);

    // The stop flag makes every later progress callback of a standard analysis answer 1; the
    // intensive analysis goes on.
    ZoProgressRecord record = Progress(1, 1, 10);
    EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_PROGRESS, &record, nullptr), 1);
    EXPECT_EQ(intensiveCallback(ZOSCAN_CALLBACK_PROGRESS, &record, nullptr), 0);

    std::vector<std::string> lines = log.Messages("ScanCallbacks.cpp");
    int timeoutLines = 0;
    for (const std::string& line : lines)
        timeoutLines += line == "TIMEOUT from analysis. Finishing...";
    EXPECT_EQ(timeoutLines, 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Callback event notification: Error event. Error code :7"),
              lines.end());
}

TEST_F(ScanCallbacksTest, EventsAndUnknownTypes)
{
    TestLog log;
    struct Case {
        uint32_t event;
        const char* line;
    } cases[] = {{ZOSCAN_EVENT_BEGIN, "Callback event notification: begin analysis."},
                 {ZOSCAN_EVENT_END, "Callback event notification: End analysis."},
                 {9, "Unknown event."}};
    for (const Case& c : cases) {
        ZoEventRecord event{sizeof(ZoEventRecord), c.event, 0};
        EXPECT_EQ(intensiveCallback(ZOSCAN_CALLBACK_EVENT, &event, nullptr), 0);
    }
    std::vector<std::string> lines = log.Messages("ScanCallbacks.cpp");
    for (const Case& c : cases)
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end()) << c.line;
    for (uint32_t type : {ZOSCAN_CALLBACK_GENERIC, 0x40u, 0x1000u}) {
        EXPECT_EQ(standardCallback(type, nullptr, nullptr), 0) << type;
        EXPECT_EQ(intensiveCallback(type, nullptr, nullptr), 0) << type;
    }
}

TEST_F(ScanCallbacksTest, MailAnalysisStopRequestAndSharedBlock)
{
    static uint32_t stopWord;
    static std::vector<std::pair<std::string, uint32_t>> shown;
    stopWord = 0;
    shown.clear();
    Hooks().mailBlockOpen = [] { return true; };
    Hooks().mailStopRequest = [] { return stopWord; };
    Hooks().mailProgress = [](const char* item, uint32_t status, uint32_t percent) {
        shown.emplace_back(item, percent);
        EXPECT_EQ(status, 0u);
    };
    Adapter().mailAnalysis = true;
    ZoProgressRecord record = Progress(1, 2, 50, "C:\\mail\\inbox.pst");
    EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_PROGRESS, &record, nullptr), 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], std::make_pair(std::string("C:\\mail\\inbox.pst"), 25u));
    EXPECT_TRUE(g_percents.empty()) << "a mail analysis has no progress window";
    stopWord = 1;
    EXPECT_EQ(standardCallback(ZOSCAN_CALLBACK_PROGRESS, &record, nullptr), 1);
    EXPECT_EQ(Adapter().stopRequested, 1);
}

} // namespace

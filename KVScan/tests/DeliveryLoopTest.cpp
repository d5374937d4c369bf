// The delivery loop at the end of an audit, driven through a scripted fake transport.
#include "DeliveryLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Answer {
    bool ok;
    unsigned long left;
};

struct Call {
    DeliveryKind kind;
    DeliveryOptions options;
    bool countersWereZero;
};

// Answers each kind from its script (the last answer repeats) and records every call.
class ScriptedDelivery : public Delivery {
public:
    ScriptedDelivery(DeliveryMode mode, std::vector<std::vector<Answer>> scripts) : mode_(mode), scripts_(scripts) {}
    DeliveryMode Mode() const override { return mode_; }
    bool Deliver(DeliveryKind kind, const DeliveryOptions& options, DeliveryCounters& counters) override
    {
        calls.push_back({kind, options, counters.sent == 0 && counters.left == 0});
        const std::vector<Answer>& script = scripts_[kind];
        size_t n = CallsOf(kind) - 1;
        Answer answer = script.empty() ? Answer{true, 0} : script[n < script.size() ? n : script.size() - 1];
        // A transport that honours deleteFailed leaves nothing behind.
        if (kind == KIND_SUSPICIOUS && options.deleteFailed)
            answer = {true, 0};
        counters.sent = 7; // the loop must not carry these into the next call
        counters.left = answer.left;
        return answer.ok;
    }
    size_t CallsOf(DeliveryKind kind) const
    {
        size_t count = 0;
        for (const Call& call : calls)
            count += call.kind == kind;
        return count;
    }
    std::vector<Call> calls;

private:
    DeliveryMode mode_;
    std::vector<std::vector<Answer>> scripts_;
};

struct Recorder {
    int firstFailures = 0;
    std::vector<unsigned long> sleeps;
};

Recorder* g_recorder = nullptr;

void OnFirstFailure(void* context)
{
    static_cast<Recorder*>(context)->firstFailures++;
}

void RecordSleep(unsigned long ms)
{
    g_recorder->sleeps.push_back(ms);
}

struct LoopRun {
    DeliveryLoopResult result;
    Recorder recorder;
};

LoopRun RunLoop(ScriptedDelivery& delivery, bool statistics, bool statisticsUrl)
{
    LoopRun run;
    g_recorder = &run.recorder;
    DeliveryLoopSettings settings;
    settings.generateStatistics = statistics;
    settings.statisticsUrlKnown = statisticsUrl;
    DeliveryLoopEvents events;
    events.firstFailure = OnFirstFailure;
    events.sleep = RecordSleep;
    events.context = &run.recorder;
    run.result = RunDeliveryLoop(delivery, settings, events, "KvScanTest");
    return run;
}

const Answer kOk = {true, 0};
const Answer kFailed = {false, 0};

struct LoopCase {
    const char* name;
    DeliveryMode mode;
    bool statistics;
    bool statisticsUrl;
    std::vector<std::vector<Answer>> scripts; // suspicious, reports, statistics, filtered
    size_t calls[KIND_COUNT];                 // expected calls per kind
    int rounds;
};

class DeliveryLoopTable : public ::testing::TestWithParam<LoopCase> {};

TEST_P(DeliveryLoopTable, EndsWhenEveryKindIsFinished)
{
    const LoopCase& c = GetParam();
    ScriptedDelivery delivery(c.mode, c.scripts);
    LoopRun run = RunLoop(delivery, c.statistics, c.statisticsUrl);

    EXPECT_EQ(run.result.rounds, c.rounds);
    for (int kind = 0; kind < KIND_COUNT; ++kind)
        EXPECT_EQ(delivery.CallsOf(static_cast<DeliveryKind>(kind)), c.calls[kind]) << DeliveryKindName(DeliveryKind(kind));
    for (const Call& call : delivery.calls)
        EXPECT_TRUE(call.countersWereZero) << "counters not zeroed before a call of " << DeliveryKindName(call.kind);
    EXPECT_EQ(run.recorder.firstFailures, c.rounds > 1 ? 1 : 0);
    EXPECT_EQ(run.recorder.sleeps, std::vector<unsigned long>(c.rounds - 1, 5000));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DeliveryLoopTable,
    ::testing::Values(
        // Nothing is configured: nothing is sent, not even statistics, and the loop ends at once.
        LoopCase{"none", DELIVERY_NONE, true, true, {{kFailed}, {kFailed}, {kFailed}, {kFailed}}, {0, 0, 0, 0}, 1},
        // URL without a statistics address: statistics are finished without a call; filtered only in folder mode.
        LoopCase{"url_no_stats_url", DELIVERY_URL, true, false, {{kOk}, {kOk}, {kFailed}, {kFailed}}, {1, 1, 0, 0}, 1},
        LoopCase{"url_stats", DELIVERY_URL, true, true, {{kOk}, {kOk}, {kFailed, kOk}, {kFailed}}, {1, 1, 2, 0}, 2},
        // A call that succeeded but left files is not finished; a failed call that left nothing is not either.
        LoopCase{"left_after_success", DELIVERY_FOLDER, false, false, {{kOk}, {{true, 3}, {true, 1}, kOk}, {}, {kOk}},
                 {1, 3, 0, 1}, 3},
        LoopCase{"failed_nothing_left", DELIVERY_FTP, false, false, {{kFailed, kOk}, {kOk}, {}, {kFailed, kFailed, kOk}},
                 {2, 2, 0, 3}, 3},
        // A finished kind is never sent again while the others are retried.
        LoopCase{"finished_not_resent", DELIVERY_FOLDER, true, false, {{kOk}, {kOk}, {kFailed, kFailed, kFailed, kOk}, {kOk}},
                 {1, 1, 4, 1}, 4}),
    [](const ::testing::TestParamInfo<LoopCase>& info) { return std::string(info.param.name); });

// Reports finished while the final analysis report was still held back are sent once more when the
// suspicious files are done, this time with the final report.
TEST(DeliveryLoop, FinalReportLeavesAfterTheSuspiciousFiles)
{
    ScriptedDelivery delivery(DELIVERY_FOLDER, {{{true, 2}, {true, 2}, kOk}, {kOk}, {}, {kOk}});
    RunLoop(delivery, false, false);

    std::vector<bool> held;
    for (const Call& call : delivery.calls)
        if (call.kind == KIND_REPORTS)
            held.push_back(call.options.holdFinalReport);
    EXPECT_EQ(held, (std::vector<bool>{true, true, false}));
}

// URL mode: a server that keeps refusing suspicious files is asked on the fifth try to delete them.
TEST(DeliveryLoop, FifthSuspiciousTryDeletesWhatCannotBeSent)
{
    ScriptedDelivery delivery(DELIVERY_URL, {{{true, 4}}, {kOk}, {}, {}});
    LoopRun run = RunLoop(delivery, false, false);

    std::vector<bool> deleteFailed;
    for (const Call& call : delivery.calls)
        if (call.kind == KIND_SUSPICIOUS)
            deleteFailed.push_back(call.options.deleteFailed);
    EXPECT_EQ(deleteFailed, (std::vector<bool>{false, false, false, false, true}));
    EXPECT_EQ(run.result.suspiciousTries, 5);
    EXPECT_EQ(run.result.rounds, 5);
    EXPECT_EQ(run.recorder.firstFailures, 1);
}

} // namespace

#include "PhasePlan.h"
#include "TessalyConfig.h"

#include <gtest/gtest.h>

namespace {

struct PlanCase {
    const char* name;
    PhaseInputs in;
    bool memory, intensive, disk, mail;
    int count, weight;
};

const PlanCase kCases[] = {
    {"outlook express only", {ANALYSIS_OUTLOOK_EXPRESS, false, false, false}, false, false, false, true, 1, 100},
    {"outlook only", {ANALYSIS_OUTLOOK, false, false, false}, false, false, false, true, 1, 100},
    {"memory and all disks", {ANALYSIS_MEMORY | ANALYSIS_ALL_DISKS, false, false, false}, true, false, true, false, 2, 50},
    {"default kinds", {0x0F, false, false, false}, true, false, true, true, 3, 33},
    {"network drives alone are a disk phase", {ANALYSIS_NETWORK_DRIVES, false, false, false}, false, false, true, false, 1, 100},
    {"removable disks alone are a disk phase", {ANALYSIS_REMOVABLE_DISKS, false, false, false}, false, false, true, false, 1, 100},
    {"a PathAnalysis is a disk phase", {0, true, false, false}, false, false, true, false, 1, 100},
    {"intensive paths add a phase", {0x0F, false, true, false}, true, true, true, true, 4, 25},
    {"disinfection without all disks keeps intensive", {ANALYSIS_MEMORY, false, true, true}, true, true, false, false, 2, 50},
    {"disinfection + all disks drops the intensive phase", {ANALYSIS_ALL_DISKS, false, true, true}, false, false, true, false, 1, 100},
    {"all disks without disinfection keeps intensive", {ANALYSIS_ALL_DISKS, false, true, false}, false, true, true, false, 2, 50},
    {"nothing planned", {0, false, false, false}, false, false, false, false, 0, 0},
    {"intensive alone", {0, false, true, false}, false, true, false, false, 1, 100},
};

TEST(PhasePlan, AnalysisBitsGivePhasesCountAndWeight)
{
    for (const PlanCase& c : kCases) {
        SCOPED_TRACE(c.name);
        PhasePlan plan = PlanPhases(c.in);
        EXPECT_EQ(plan.memory, c.memory);
        EXPECT_EQ(plan.intensive, c.intensive);
        EXPECT_EQ(plan.disk, c.disk);
        EXPECT_EQ(plan.mail, c.mail);
        EXPECT_EQ(plan.count, c.count);
        EXPECT_EQ(plan.weight, c.weight);
    }
}

} // namespace

#include "PhasePlan.h"

#include "TessalyConfig.h"

PhasePlan PlanPhases(const PhaseInputs& in)
{
    const unsigned mailBits = ANALYSIS_OUTLOOK | ANALYSIS_OUTLOOK_EXPRESS;
    const unsigned diskBits = ~(mailBits | ANALYSIS_MEMORY);

    PhasePlan plan;
    plan.mail = (in.analysisKinds & mailBits) != 0;
    plan.memory = (in.analysisKinds & ANALYSIS_MEMORY) != 0;
    plan.disk = (in.analysisKinds & diskBits) != 0 || in.pathAnalysis;
    plan.intensive = in.intensivePaths && !(in.disinfection && (in.analysisKinds & ANALYSIS_ALL_DISKS));
    plan.count = int(plan.memory) + int(plan.intensive) + int(plan.disk) + int(plan.mail);
    plan.weight = plan.count ? 100 / plan.count : 0;
    return plan;
}

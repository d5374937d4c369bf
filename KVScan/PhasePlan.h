// Which analyses a run makes, from the configuration alone: memory, intensive paths, disks and mail,
// their number and the share of the progress bar each one gets.
#pragma once

struct PhasePlan {
    bool memory = false;
    bool intensive = false;
    bool disk = false;
    bool mail = false;
    int count = 0;  // planned phases
    int weight = 0; // 100 / count (integer division), 0 when nothing is planned
};

struct PhaseInputs {
    unsigned analysisKinds = 0;  // AnalysisKinds bits
    bool pathAnalysis = false;   // PathAnalysis is not empty
    bool intensivePaths = false; // KVSCAN_INTENSIVEANALYSISPATHS has entries
    bool disinfection = false;
};

// Mail for Outlook or Outlook Express; memory for its bit; disks for any other bit or a PathAnalysis;
// intensive for configured paths unless a disinfection of all disks covers them already.
PhasePlan PlanPhases(const PhaseInputs& in);

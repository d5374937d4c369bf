// What the engine does to an infected file: disinfect (remove the signature's bytes), erase, rename, or
// copy or move it into the quarantine store. A file that cannot be changed in place (in use, read-only
// for us) is changed at the next restart instead, and the outcome says that a reboot is pending.
//
// Quarantine store: a folder holding, per element, "<MD5>.qel" (an exact copy of the file) and
// "<MD5>.ini" ([Element] Path, Malware, Number, Type, SubType, Time). The folder is the one that the
// quarantine manager registered for the client identifier given as ZOSCAN_CFG_QEM_CLID in
// "QemClients.ini" beside the DLL ([Clients] <id>=<folder>), else [Quarantine] Folder of the scenario,
// else "Quarantine" beside the DLL.
#pragma once

#include "QelSig.h"
#include "ScanState.h"

#include <string>
#include <vector>

struct ActionOutcome {
    uint32_t state = ZOSCAN_STATE_INFECTED;
    int32_t error = 0;
    uint32_t rebootPending = 0;
    uint32_t backupMade = 0;
};

struct Infection {
    std::wstring path;
    const std::vector<uint8_t>* content;
    const qelsig::Signature* signature;
    std::string md5Text; // 32 upper-case hex digits
};

uint32_t PossibleActions(const qelsig::Signature& signature);
ActionOutcome ApplyAction(uint32_t action, const Infection& infection, const AnalysisSettings& settings);
std::string QuarantineFolder(const AnalysisSettings& settings);

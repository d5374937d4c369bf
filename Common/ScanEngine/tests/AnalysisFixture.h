// A program folder with the engine stand-ins (EngineFolder) and the adapter bound to a configuration
// and a result holder of the test's own; what the engine was told is read back from its journal.
#pragma once

#include "AdapterState.h"
#include "EngineFixture.h"
#include "ScanHooks.h"
#include "ScanResultData.h"
#include "TessalyConfig.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class AnalysisFixture : public EngineFolder {
protected:
    void SetUp() override;
    void TearDown() override;

    // (setting name, decoded value) of every accepted or refused ZOScan_ConfigureAnalysis call of this
    // process, in order.
    std::vector<std::pair<std::string, std::string>> Settings() const;
    // Error report files written so far (their texts).
    std::vector<std::string> ErrorReports() const;

    std::string programFolder_;
    std::string machineId_ = "{00112233-4455-6677-8899-aabbccddeeff}";
    TessalyConfig config_;
    std::unique_ptr<ScanResultData> results_;
};

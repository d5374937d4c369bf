// The error reports that the error-report component wrote into a folder, one file each
// ("ErrorReport_<code>_....txt", lines "key=value"), for tests that check what was reported.
#pragma once

#include <map>
#include <string>
#include <vector>

struct ErrorReportFile {
    std::string name;
    std::string text;
    std::map<std::string, std::string> fields; // key -> value of every "key=value" line
};

// In name order; code < 0: every code.
std::vector<ErrorReportFile> ErrorReportFiles(const std::string& folder, int code = -1);

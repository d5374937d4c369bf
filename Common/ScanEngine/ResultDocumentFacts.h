// Facts of the program folder that the AnalysisDetails document reports.
#pragma once

#include <string>

class TessalyConfig;

// "%d.%d.%d.%d" of a file in the program's folder; empty when it has no version resource.
std::wstring ProgramFileVersion(const TessalyConfig& config, const wchar_t* fileName);

// Date of the signature file: the engine package's own date (UTC) when it gives one, else the
// modification time of "qel.sig" (local time), else local time 0.
std::string QelsigDateText(const TessalyConfig& config);

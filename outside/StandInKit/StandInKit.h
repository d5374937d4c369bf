// Files of a stand-in kept beside its module (journal, scenario, faults): tests read and steer them there,
// never through the environment, because some callers run as services or in other sessions.
#pragma once

#include <windows.h>

#include <string>

namespace standin_kit {

// The folder of module (null: the executable) followed by name; name alone when the path is not known.
std::string FileBeside(HMODULE module, const char* name);

// Appends line and "\r\n" in one write, shared with other processes appending to the same file.
// Failures are ignored: a journal must never change what the stand-in answers.
void AppendJournalLine(const std::string& path, const std::string& line);

} // namespace standin_kit

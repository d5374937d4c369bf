// The files through which tests watch and steer the engine stand-ins, both kept in the folder of the
// DLL (the program's folder), never in the environment: KVMailScan is started through a service.
//
//   EngineJournal.txt   one line per call into zokas.dll or ZoScan.dll and per callback they make,
//                       appended by every process: "<pid> <module> <call> <decoded arguments> -> <result>"
//   EngineScenario.ini  fault injection, read again at every call (format in outside/ZoScan/README.md)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// The folder of the DLL this code is linked into, with a trailing backslash.
std::string ModuleFolder();

// Appends "<pid> <module> <text>" and a line end to the journal.
void Journal(const char* module, const std::string& text);

// Scenario lookups; each returns `fallback` when the file or the key is absent.
int ScenarioInt(const char* section, const char* key, int fallback);
std::string ScenarioText(const char* section, const char* key);

// The code that the scenario's [Fail] section gives for a call ("<call>" or "<call>.<detail>"), or 0.
int InjectedFailure(const char* call, const char* detail = nullptr);

// Formatting helpers for journal lines.
std::string Quoted(const char* text);                    // "text" with \ and " escaped, or null
std::string Hex(const void* data, size_t size);          // lower-case hex digits
std::string Number(long long value);
std::string HexNumber(unsigned long long value);         // 0x...
std::string MultiText(const char* list);                 // ["a","b"] from a double-NUL-terminated list
std::vector<std::string> SplitMultiText(const char* list);

} // namespace standin

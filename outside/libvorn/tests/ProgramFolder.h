// Test support for the communications stand-ins: a temporary program folder holding copies of the shipped
// "libvorn.dll" and "zocomm.dll", their journals and scenarios, the registry, and slot calls the way a
// client that knows only the slot numbers makes them.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace commtest {

// One line of a stand-in journal.
struct JournalLine {
    unsigned long pid = 0;
    unsigned long tid = 0;
    std::string call;
    std::map<std::string, std::string> fields; // values unescaped, UTF-8; bare words map to ""
    unsigned long result = 0;
    bool injected = false;
    std::string raw;
};

// The folder, created once per test program (%TEMP%\kvcomm_<pid>\).
const std::wstring& ProgramFolder();
std::wstring InFolder(const wchar_t* name);
// Deletes the journals and scenarios of both stand-ins.
void ResetFiles();
void WriteScenario(const wchar_t* fileName, const std::string& text);
std::vector<JournalLine> ReadJournal(const wchar_t* fileName);
// The journal lines of one call.
std::vector<JournalLine> Calls(const std::vector<JournalLine>& journal, const std::string& call);
// The first line of the journal (its heading).
std::string JournalHeading(const wchar_t* fileName);

// Loads the DLL of the program folder with the altered search path, calls a registration export, unloads it.
HRESULT CallRegistrationExport(const wchar_t* dllName, const char* exportName);
// Removes both stand-ins' keys straight from the registry (test clean-up).
void RemoveRegistrations();
bool KeyExists(const wchar_t* subKey);
std::wstring ReadText(const wchar_t* subKey, const wchar_t* valueName);

// Calls settings slot `slot` with a BSTR (text != null) or a LONG argument.
HRESULT CallSlot(IUnknown* settings, int slot, const wchar_t* text, LONG number = 0);

std::string Utf8(const std::wstring& text);

} // namespace commtest

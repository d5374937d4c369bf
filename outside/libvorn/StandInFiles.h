// Journal and scenario files of the communications stand-ins ("libvorn.dll", "zocomm.dll"): both live
// beside the DLL that owns them. Formats in outside/libvorn/README.md.
#pragma once

#include <windows.h>

#include <string>

namespace standin {

// Appends one line per call: time, process, thread, call name, its values and its result. Safe from any
// thread; every line is opened, appended and closed, so readers see it at once.
class Journal {
public:
    Journal();
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // module: the DLL whose folder holds the file; heading: first line of a new file (without "# ").
    void Bind(HMODULE module, const wchar_t* fileName, const char* heading);
    // args: the values, each " name=value" (see Field). Returns hr for convenience.
    HRESULT Write(const char* call, const std::string& args, HRESULT hr, bool injected = false);
    const std::wstring& Folder() const { return folder_; }

private:
    CRITICAL_SECTION lock_;
    std::wstring folder_;
    std::wstring path_;
    std::string heading_;
};

// " name=\"text\"" with the text in UTF-8 and \\, \", control characters escaped; a null text gives
// " name=null".
std::string Field(const char* name, const wchar_t* text);
std::string Field(const char* name, long value);
// " name=0x%08X"
std::string HexField(const char* name, unsigned long value);

// Fault injection read from an INI file beside the DLL at every call, so a test may change it at any time:
//   [Fail]  <call>=<HRESULT>   the call fails with that result and has no effect.
class Scenario {
public:
    void Bind(const std::wstring& folder, const wchar_t* fileName);
    // True when the scenario makes this call fail; *hr receives the result to return.
    bool Fails(const wchar_t* call, HRESULT* hr) const;
    // A number from any section ("0x" prefix for hex), fallback when absent or not a number.
    long Number(const wchar_t* section, const wchar_t* key, long fallback) const;

private:
    std::wstring path_;
};

} // namespace standin

namespace standin {

// Full file name of a loaded module.
std::wstring ModulePath(HMODULE module);
// Writes a REG_SZ value (name null: the key's default value).
LONG SetRegText(HKEY key, const wchar_t* name, const std::wstring& value);

} // namespace standin

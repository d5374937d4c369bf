#include "ProgramFolder.h"

#include "CommObject.h"
#include "zocomm.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace commtest {

namespace {

std::wstring DistFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\'));          // ...\bin
    folder.resize(folder.find_last_of(L'\\') + 1);      // ...\ (build folder)
    return folder + L"dist\\";
}

const wchar_t* const kLibraries[] = {L"libvorn.dll", L"zocomm.dll"};
const wchar_t* const kFiles[] = {COMM_OBJECT_JOURNAL_FILE, COMM_OBJECT_SCENARIO_FILE, ZOCOMM_JOURNAL_FILE,
                                 ZOCOMM_SCENARIO_FILE};

// Creates the folder before the first test and removes it after the last.
class FolderEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        for (const wchar_t* name : kLibraries)
            ASSERT_NE(GetFileAttributesW(InFolder(name).c_str()), INVALID_FILE_ATTRIBUTES)
                << "not copied from " << Utf8(DistFolder()) << ": " << Utf8(name);
    }
    void TearDown() override
    {
        RemoveRegistrations();
        CoFreeUnusedLibrariesEx(0, 0);
        ResetFiles();
        for (const wchar_t* name : kLibraries)
            DeleteFileW(InFolder(name).c_str());
        RemoveDirectoryW(ProgramFolder().c_str());
    }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new FolderEnvironment);

std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 'r') out += '\r';
        else if (c == 'n') out += '\n';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else out += c;
    }
    return out;
}

// Splits at spaces outside double quotes; quotes are kept.
std::vector<std::string> Tokens(const std::string& line)
{
    std::vector<std::string> tokens;
    std::string current;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted && c == '\\' && i + 1 < line.size()) {
            current += c;
            current += line[++i];
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (c == ' ' && !quoted) {
            if (!current.empty())
                tokens.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        tokens.push_back(current);
    return tokens;
}

JournalLine ParseLine(const std::string& raw)
{
    JournalLine line;
    line.raw = raw;
    std::vector<std::string> tokens = Tokens(raw);
    // date, time, pid=, tid=, call, fields..., "->", result, [injected]
    if (tokens.size() < 7)
        return line;
    line.pid = std::stoul(tokens[2].substr(4));
    line.tid = std::stoul(tokens[3].substr(4));
    line.call = tokens[4];
    size_t i = 5;
    for (; i < tokens.size() && tokens[i] != "->"; ++i) {
        size_t eq = tokens[i].find('=');
        if (eq == std::string::npos) {
            line.fields[tokens[i]] = "";
            continue;
        }
        std::string value = tokens[i].substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = Unescape(value.substr(1, value.size() - 2));
        line.fields[tokens[i].substr(0, eq)] = value;
    }
    if (i + 1 < tokens.size())
        line.result = std::stoul(tokens[i + 1], nullptr, 16);
    line.injected = i + 2 < tokens.size() && tokens[i + 2] == "injected";
    return line;
}

HKEY OpenKey(const wchar_t* subKey)
{
    HKEY key = nullptr;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey, 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr;
}

} // namespace

std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

const std::wstring& ProgramFolder()
{
    static const std::wstring folder = [] {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        std::wstring path = std::wstring(temp) + L"kvcomm_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(path.c_str(), nullptr);
        for (const wchar_t* name : kLibraries)
            CopyFileW((DistFolder() + name).c_str(), (path + name).c_str(), FALSE);
        return path;
    }();
    return folder;
}

std::wstring InFolder(const wchar_t* name)
{
    return ProgramFolder() + name;
}

void ResetFiles()
{
    for (const wchar_t* name : kFiles)
        DeleteFileW(InFolder(name).c_str());
}

void WriteScenario(const wchar_t* fileName, const std::string& text)
{
    std::ofstream out(std::filesystem::path(InFolder(fileName)), std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<JournalLine> ReadJournal(const wchar_t* fileName)
{
    std::vector<JournalLine> lines;
    std::ifstream in(std::filesystem::path(InFolder(fileName)), std::ios::binary);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (!raw.empty() && raw[0] != '#')
            lines.push_back(ParseLine(raw));
    }
    return lines;
}

std::vector<JournalLine> Calls(const std::vector<JournalLine>& journal, const std::string& call)
{
    std::vector<JournalLine> found;
    for (const JournalLine& line : journal)
        if (line.call == call)
            found.push_back(line);
    return found;
}

std::string JournalHeading(const wchar_t* fileName)
{
    std::ifstream in(std::filesystem::path(InFolder(fileName)), std::ios::binary);
    std::string first;
    std::getline(in, first);
    return first;
}

HRESULT CallRegistrationExport(const wchar_t* dllName, const char* exportName)
{
    HMODULE module = LoadLibraryExW(InFolder(dllName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return HRESULT_FROM_WIN32(GetLastError());
    using Export = HRESULT(STDAPICALLTYPE*)();
    auto call = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(module, exportName)));
    HRESULT hr = call ? call() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
    return hr;
}

void RemoveRegistrations()
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, COMM_OBJECT_CLSID_KEY);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ZOCOMM_MARKER_KEY);
}

bool KeyExists(const wchar_t* subKey)
{
    HKEY key = OpenKey(subKey);
    if (key)
        RegCloseKey(key);
    return key != nullptr;
}

std::wstring ReadText(const wchar_t* subKey, const wchar_t* valueName)
{
    HKEY key = OpenKey(subKey);
    if (!key)
        return L"<no key>";
    wchar_t text[1024] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    LONG error = RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS || type != REG_SZ)
        return L"<no value>";
    return text;
}

HRESULT CallSlot(IUnknown* settings, int slot, const wchar_t* text, LONG number)
{
    void** vtable = *reinterpret_cast<void***>(settings);
    if (text) {
        using SetText = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, BSTR);
        BSTR value = SysAllocString(text);
        HRESULT hr = reinterpret_cast<SetText>(vtable[slot])(settings, value);
        SysFreeString(value);
        return hr;
    }
    using SetNumber = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, LONG);
    return reinterpret_cast<SetNumber>(vtable[slot])(settings, number);
}

} // namespace commtest

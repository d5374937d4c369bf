// Finding the elements of an analysis (see Targets.h).

#include "Targets.h"

#include "StandInFiles.h"

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>

std::wstring Widen(const std::string& text, unsigned codePage)
{
    if (text.empty())
        return {};
    int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(length, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::string Narrow(const std::wstring& text, unsigned codePage)
{
    if (text.empty())
        return {};
    int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string out(length, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
    return out;
}

std::wstring Lower(std::wstring text)
{
    if (!text.empty())
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

namespace {

std::wstring WithoutTrailingSlash(std::wstring path)
{
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

std::wstring Extension(const std::wstring& name)
{
    size_t dot = name.find_last_of(L'.');
    size_t slash = name.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return {};
    return Lower(name.substr(dot + 1));
}

} // namespace

TargetCollector::TargetCollector(const AnalysisSettings& settings) : settings_(settings)
{
    for (const std::string& folder : settings.excludedFolders)
        excludedFolders_.push_back(Lower(WithoutTrailingSlash(Widen(folder, CP_ACP))));
    for (const std::string& extension : settings.excludedExtensions) {
        std::wstring e = Lower(Widen(extension, CP_ACP));
        e.erase(0, e.find_first_not_of(L"*."));
        if (!e.empty())
            excludedExtensions_.push_back(e);
    }
}

bool TargetCollector::Excluded(const std::wstring& path) const
{
    std::wstring lower = Lower(WithoutTrailingSlash(path));
    for (const std::wstring& folder : excludedFolders_) {
        if (lower == folder)
            return true;
        std::wstring prefix = folder.back() == L'\\' ? folder : folder + L"\\";
        if (lower.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

bool TargetCollector::ExtensionWanted(const std::wstring& name) const
{
    std::wstring extension = Extension(name);
    if (extension.empty())
        return settings_.On(ZOSCAN_CFG_SCAN_FILES_WITHOUT_EXTENSION);
    if (std::find(excludedExtensions_.begin(), excludedExtensions_.end(), extension) != excludedExtensions_.end())
        return false;
    if (settings_.On(ZOSCAN_CFG_SCAN_ALL_EXTENSIONS))
        return true;
    static const wchar_t* const kRisky[] = {L"exe", L"dll", L"com", L"scr", L"sys", L"pif", L"bat", L"cmd",
                                            L"vbs", L"js", L"doc", L"xls", L"zip", L"rar", L"htm", L"html"};
    return std::any_of(std::begin(kRisky), std::end(kRisky), [&](const wchar_t* e) { return extension == e; });
}

void TargetCollector::Add(const std::wstring& path, uint32_t type, uint32_t location, uint32_t running,
                          ZoCounterBlock block)
{
    std::wstring lower = Lower(path);
    if (!seen_.insert(lower).second)
        return;
    targets_.push_back({path, type, location, running, block});
}

void TargetCollector::Walk(const std::wstring& folder, bool subfolders, uint32_t location, ZoCounterBlock block,
                           const std::vector<std::wstring>* onlyExtensions)
{
    if (Excluded(folder))
        return;
    ++folders_;
    std::wstring base = folder.back() == L'\\' ? folder : folder + L"\\";
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((base + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::wstring> below;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring full = base + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (subfolders && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                below.push_back(full);
            continue;
        }
        if (Excluded(full))
            continue;
        if (onlyExtensions) {
            std::wstring extension = Extension(name);
            if (std::find(onlyExtensions->begin(), onlyExtensions->end(), extension) == onlyExtensions->end())
                continue;
        } else if (!ExtensionWanted(name)) {
            continue;
        }
        Add(full, ZOSCAN_ELEMENT_FILE, location, 0, block);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(below.begin(), below.end());
    for (const std::wstring& sub : below)
        Walk(sub, true, location, block, onlyExtensions);
}

void TargetCollector::Path(const std::wstring& path, bool subfolders)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!Excluded(path))
            Add(path, ZOSCAN_ELEMENT_FILE, ZOSCAN_LOCATION_DISK, 0, ZOSCAN_COUNT_FILES);
        return;
    }
    Walk(WithoutTrailingSlash(path), subfolders, ZOSCAN_LOCATION_DISK, ZOSCAN_COUNT_FILES, nullptr);
}

void TargetCollector::Disks(bool removable)
{
    std::wstring roots = Lower(Widen(standin::ScenarioText("Disks", "Roots"), CP_ACP));
    DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(drives & (1u << i)))
            continue;
        std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\";
        UINT type = GetDriveTypeW(root.c_str());
        if (type != DRIVE_FIXED && !(removable && type == DRIVE_REMOVABLE))
            continue;
        if (!roots.empty() && roots.find(Lower(root.substr(0, 2))) == std::wstring::npos)
            continue;
        Walk(root, true, ZOSCAN_LOCATION_DISK, ZOSCAN_COUNT_FILES, nullptr);
    }
}

void TargetCollector::Memory()
{
    bool excludeSelf = settings_.On(ZOSCAN_CFG_EXCLUDE_CURRENT_PROCESS);
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (processes == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W process{};
    process.dwSize = sizeof process;
    for (BOOL more = Process32FirstW(processes, &process); more; more = Process32NextW(processes, &process)) {
        if (process.th32ProcessID == 0 || (excludeSelf && process.th32ProcessID == GetCurrentProcessId()))
            continue;
        HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process.th32ProcessID);
        if (modules == INVALID_HANDLE_VALUE)
            continue;
        MODULEENTRY32W module{};
        module.dwSize = sizeof module;
        bool first = true;
        for (BOOL m = Module32FirstW(modules, &module); m; m = Module32NextW(modules, &module)) {
            std::wstring path = module.szExePath;
            if (!path.empty() && !Excluded(path))
                Add(path, first ? ZOSCAN_ELEMENT_PROCESS : ZOSCAN_ELEMENT_FILE, ZOSCAN_LOCATION_SYSTEM, 1,
                    ZOSCAN_COUNT_PROCESSES);
            first = false;
        }
        CloseHandle(modules);
    }
    CloseHandle(processes);
}

void TargetCollector::MailStores(bool outlookExpress)
{
    wchar_t profile[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile)))
        return;
    static const std::vector<std::wstring> kOutlook = {L"pst", L"ost"};
    static const std::vector<std::wstring> kExpress = {L"dbx", L"mbx", L"eml"};
    Walk(profile, true, outlookExpress ? ZOSCAN_LOCATION_OUTLOOK_EXPRESS : ZOSCAN_LOCATION_OUTLOOK,
         ZOSCAN_COUNT_MAIL_FILES, outlookExpress ? &kExpress : &kOutlook);
}

#include "FilteredElements.h"

#include "FileHelpers.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <windows.h>

namespace {

void PutU32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

uint32_t FilteredLocationClass(uint32_t locationCode)
{
    switch (locationCode) {
    case 0: return 1;
    case 1: return 5;
    case 2: return 2;
    case 3: return 3;
    case 4: return 4;
    default: return 1;
    }
}

std::string FilteredHeaderBytes(const std::string& analysisGuid)
{
    std::string out("KVFEINFO", 8);
    PutU32(out, 1);
    std::string guid = analysisGuid.substr(0, 38);
    guid.resize(38, '\0');
    out += guid;
    return out;
}

std::string FilteredRecordBytes(const FilteredElement& element)
{
    std::string out(reinterpret_cast<const char*>(element.md5), 16);
    PutU32(out, static_cast<uint32_t>(element.path.size()));
    for (wchar_t unit : element.path) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    PutU32(out, static_cast<uint32_t>(element.reference.size()));
    out += element.reference;
    PutU32(out, element.wasRunning);
    PutU32(out, FilteredLocationClass(element.location));
    PutU32(out, element.hidden);
    return out;
}

std::wstring FilteredElementsPath(const TessalyConfig& config)
{
    std::wstring folder = ToWide(config.programFolder);
    if (!config.filteredElementsFolder.empty())
        folder = MakeAbsolute(config.filteredElementsFolder, folder);
    return folder + L"\\fSuspInfo.dat";
}

bool FilteredElementsFile::Create(const std::wstring& path, const std::string& analysisGuid)
{
    Close();
    file_ = _wfopen(path.c_str(), L"wb");
    if (!file_)
        return false;
    std::string header = FilteredHeaderBytes(analysisGuid);
    fwrite(header.data(), 1, header.size(), file_);
    fflush(file_);
    return true;
}

bool FilteredElementsFile::OpenForAppend(const std::wstring& path, const std::string& analysisGuid)
{
    Close();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Create(path, analysisGuid);
    file_ = _wfopen(path.c_str(), L"ab");
    return file_ != nullptr;
}

void FilteredElementsFile::Append(const FilteredElement& element)
{
    if (!file_)
        return;
    std::string record = FilteredRecordBytes(element);
    fwrite(record.data(), 1, record.size(), file_);
    fflush(file_);
}

void FilteredElementsFile::Close()
{
    if (file_) {
        fclose(file_);
        file_ = nullptr;
    }
}

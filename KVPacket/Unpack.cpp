#include "Unpack.h"

#include "PacketLog.h"
#include "RarUnpack.h"
#include "ZipReader.h"

#include <windows.h>

#include <vector>

namespace {

void ListFiles(const std::wstring& folder, const wchar_t* pattern, std::vector<std::wstring>& files)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(folder + L"\\" + found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

} // namespace

bool UnpackArchives(const std::wstring& folder, RunFiles& written, AlertFunction alert)
{
    std::vector<std::wstring> archives;
    ListFiles(folder, L"*.zip", archives);
    ListFiles(folder, L"*.rar", archives);
    if (archives.empty())
        return true;

    LyturarLibrary lyturar;
    if (!LoadLyturar(folder + L"\\lyturar.dll", lyturar)) {
        PacketLog("Cannot load %S", (folder + L"\\lyturar.dll").c_str());
        if (alert)
            alert(L"An error occurred uncompressing RAR files. Library \"LytURAR.dll\" not found or is not valid");
        return false;
    }
    bool allDone = true;
    for (const std::wstring& archive : archives) {
        int zip = ZipExtract(archive, folder, ZipOptions(), written);
        int rar = zip == ZIP_OK ? 0 : RarExtract(lyturar, archive, folder, written);
        if (zip == ZIP_OK || rar == 0) {
            DeleteFileW(archive.c_str());
            continue;
        }
        PacketLog("Cannot unpack %S: as ZIP %d, as RAR %d", archive.c_str(), zip, rar);
        if (alert)
            alert(L"An error occurred uncompressing the file: " + archive);
        allDone = false;
    }
    ReleaseLyturar(lyturar);
    return allDone;
}

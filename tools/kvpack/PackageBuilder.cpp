#include "PackageBuilder.h"

#include "KVCripto.h"
#include "Payload.h"
#include "RarWriter.h"
#include "TextHelpers.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

bool ReadFile(const std::string& path, std::string& data)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    data.clear();
    char block[65536];
    size_t got;
    while ((got = fread(block, 1, sizeof block, file)) > 0)
        data.append(block, got);
    bool ok = !ferror(file);
    fclose(file);
    return ok;
}

uint32_t DosTime(const FILETIME& time)
{
    FILETIME local;
    WORD date = 0x21, clock = 0;
    if (FileTimeToLocalFileTime(&time, &local))
        FileTimeToDosDateTime(&local, &date, &clock);
    return uint32_t(date) << 16 | clock;
}

bool Encrypted(const std::string& plain, std::string& out)
{
    if (KV_IsEncrypted(plain.data(), static_cast<unsigned long>(plain.size()))) {
        out = plain;
        return true;
    }
    void* buffer = nullptr;
    unsigned long length = 0;
    if (!KV_EncryptBuffer(plain.data(), static_cast<unsigned long>(plain.size()), &buffer, &length))
        return false;
    out.assign(static_cast<const char*>(buffer), length);
    KV_MemFree(buffer);
    return out.size() >= KVCRIPTO_HEADER_SIZE;
}

} // namespace

bool ListClientFiles(const std::string& folder, std::vector<NamedData>& files, std::string& error)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        error = "cannot list " + folder;
        return false;
    }
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        NamedData file{found.cFileName, std::string()};
        if (!ReadFile(folder + "\\" + file.name, file.data)) {
            error = "cannot read " + folder + "\\" + file.name;
            FindClose(find);
            return false;
        }
        files.push_back(std::move(file));
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return true;
}

const char* ArchiveFor(const std::string& fileName)
{
    static const char* const kTravelAlone[] = {"KVPacket.exe", "lyturar.dll", "qel.sig", "KVScan.ini"};
    static const char* const kCore[] = {"KVScan.exe", "KVLog.dll", "KVCripto.dll", "KVEReport.dll"};
    for (const char* name : kTravelAlone)
        if (_stricmp(fileName.c_str(), name) == 0)
            return "";
    for (const char* name : kCore)
        if (_stricmp(fileName.c_str(), name) == 0)
            return "core.rar";
    return "modules.rar";
}

bool AppendPayloadEntry(std::string& payload, const std::string& name, const std::string& data)
{
    PayloadEntryHeader header = {};
    header.marker = PAYLOAD_MARKER;
    header.size = static_cast<uint32_t>(data.size());
    wchar_t wide[PAYLOAD_NAME_CHARS] = {};
    int got = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, PAYLOAD_NAME_CHARS);
    if (got <= 1)
        return false;
    std::memcpy(header.name, wide, sizeof wide);
    payload.append(reinterpret_cast<const char*>(&header), sizeof header);
    payload += data;
    return true;
}

bool BuildPackage(const PackageInput& input, std::string& package, std::string& error)
{
    std::string launcher, config, signature;
    if (!ReadFile(input.launcherPath, launcher)) {
        error = "cannot read the launcher " + input.launcherPath;
        return false;
    }
    int64_t imageEnd = FindPayloadStart(ToWide(input.launcherPath));
    if (imageEnd < 0 || uint64_t(imageEnd) != launcher.size()) {
        error = "the launcher's size (" + std::to_string(launcher.size()) + ") differs from the end of its last section (" +
                std::to_string(imageEnd) + "): it must be a stripped launcher without a payload";
        return false;
    }
    std::vector<NamedData> files;
    if (!ListClientFiles(input.clientFolder, files, error))
        return false;
    std::vector<RarInput> core, modules;
    const NamedData* lyturar = nullptr;
    for (const NamedData& file : files) {
        std::string archive = ArchiveFor(file.name);
        if (_stricmp(file.name.c_str(), "lyturar.dll") == 0)
            lyturar = &file;
        if (_stricmp(file.name.c_str(), "qel.sig") == 0 && input.signaturePath.empty())
            signature = file.data;
        FILETIME written = {};
        WIN32_FILE_ATTRIBUTE_DATA attributes;
        if (GetFileAttributesExA((input.clientFolder + "\\" + file.name).c_str(), GetFileExInfoStandard, &attributes))
            written = attributes.ftLastWriteTime;
        if (archive == "core.rar")
            core.push_back({file.name, file.data, DosTime(written)});
        else if (archive == "modules.rar")
            modules.push_back({file.name, file.data, DosTime(written)});
    }
    if (!input.signaturePath.empty() && !ReadFile(input.signaturePath, signature)) {
        error = "cannot read the signature file " + input.signaturePath;
        return false;
    }
    // Every archive must hold a file: the launcher counts an empty archive as a failure.
    if (!lyturar || signature.empty() || core.empty() || modules.empty()) {
        error = std::string("the client folder lacks ") +
                (!lyturar              ? "lyturar.dll"
                 : signature.empty()   ? "the signature file qel.sig"
                 : core.empty()        ? "the core files (KVScan.exe, KVLog.dll, KVCripto.dll, KVEReport.dll)"
                                       : "any module for modules.rar");
        return false;
    }
    if (!ReadFile(input.configPath, config) || !Encrypted(config, config)) {
        error = "cannot read or encrypt the configuration " + input.configPath;
        return false;
    }
    RarInput sig;
    sig.name = "qel.sig";
    sig.data = signature;
    package = launcher;
    bool ok = AppendPayloadEntry(package, "modules.rar", RarStoreArchive(modules)) &&
              AppendPayloadEntry(package, "core.rar", RarStoreArchive(core)) &&
              AppendPayloadEntry(package, "lyturar.dll", lyturar->data) &&
              AppendPayloadEntry(package, "qel.zip", RarStoreArchive({sig})) &&
              AppendPayloadEntry(package, "KVScan.ini", config);
    if (!ok)
        error = "cannot write the payload";
    return ok;
}

#include "Compression.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "Text.h"

namespace {

// The lytczip imports (bound by ordinal at load time), unless a test installed other calls.
const ZipApi kLytczip = {CZIPInitialize, CZIPFinalize, CZIPDoAction, CZIPGetSizeBuffer, CZIPGetBuffer};
const ZipApi* g_zip = &kLytczip;

const ZipApi* Zip() { return g_zip; }

bool ReadAll(const std::string& path, std::vector<char>& data)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bool ok = fseek(f, 0, SEEK_END) == 0;
    long size = ok ? ftell(f) : -1;
    ok = ok && size >= 0 && fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        data.resize(static_cast<size_t>(size));
        ok = data.empty() || fread(data.data(), 1, data.size(), f) == data.size();
    }
    fclose(f);
    return ok;
}

} // namespace

void SetZipApi(const ZipApi* api) { g_zip = api ? api : &kLytczip; }

std::string ArchivePathFor(const std::string& fullPath)
{
    size_t lastSep = fullPath.find_last_of("\\/");
    size_t dot = fullPath.rfind('.');
    bool inName = dot != std::string::npos && (lastSep == std::string::npos || dot > lastSep);
    std::string archive = inName ? fullPath.substr(0, dot) + ".zip" : fullPath + ".zip";
    if (archive.size() == fullPath.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, archive.c_str(), -1,
                                                            fullPath.c_str(), -1) == CSTR_EQUAL)
        archive = fullPath + ".zip"; // "x.zip" is packed as "x.zip.zip", never over itself
    return archive;
}

int CompressToZip(const std::string& fullPath, const std::string& entryName)
{
    COMS_SCOPE("CompressToZip");
    COMS_LOG("Compressing file %s", fullPath.c_str());
    std::vector<char> input;
    if (!ReadAll(fullPath, input)) {
        COMS_LOG("Error openning file");
        return COMPRESS_OPEN_FAILED;
    }
    const ZipApi* zip = Zip();
    ZipArchive* archive = zip->Initialize(0);
    if (!archive) {
        COMS_LOG("Error initializing ZIP system");
        return COMPRESS_NO_ARCHIVE;
    }
    int result = COMPRESS_OK;
    std::vector<char> output;
    static const char kNoBytes[1] = {0}; // an empty file still needs a data pointer
    int code = zip->DoAction(archive, entryName.c_str(), input.empty() ? kNoBytes : input.data(),
                             static_cast<int>(input.size()));
    std::vector<char>().swap(input);
    int size = 0;
    if (code != CZIP_OK) {
        COMS_LOG("Error %d compressing the data", code);
        result = COMPRESS_ZIP_FAILED;
    } else if ((code = zip->GetSizeBuffer(archive, &size)) != CZIP_OK || size < 0) {
        COMS_LOG("Error %d getting compressed size", code);
        result = COMPRESS_ZIP_FAILED;
    } else {
        output.resize(static_cast<size_t>(size));
        if ((code = zip->GetBuffer(archive, output.data(), size)) != CZIP_OK) {
            COMS_LOG("Error %d getting compressed buffer", code);
            result = COMPRESS_ZIP_FAILED;
        }
    }
    zip->Finalize(archive);
    if (result != COMPRESS_OK)
        return result;

    std::string archivePath = ArchivePathFor(fullPath);
    FILE* out = fopen(archivePath.c_str(), "wb");
    if (!out) {
        COMS_LOG("Error creating output file");
        return COMPRESS_CREATE_FAILED;
    }
    bool written = output.empty() || fwrite(output.data(), 1, output.size(), out) == output.size();
    written = fclose(out) == 0 && written;
    if (!written) {
        DeleteFileA(archivePath.c_str());
        COMS_LOG("Error creating output file");
        return COMPRESS_CREATE_FAILED;
    }
    COMS_LOG("File compressed to %s", archivePath.c_str());
    return COMPRESS_OK;
}

#include "RarUnpack.h"

#include "EntryName.h"
#include "TextHelpers.h"

#include <cstdio>
#include <vector>

namespace {

template <typename T>
bool Resolve(HMODULE module, const char* name, T& function)
{
    function = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

bool ReadWhole(const std::wstring& path, std::vector<char>& data)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    bool ok = _fseeki64(file, 0, SEEK_END) == 0;
    long long size = ok ? _ftelli64(file) : -1;
    ok = size >= 0 && size < 0x7FFFFFFF && _fseeki64(file, 0, SEEK_SET) == 0;
    if (ok) {
        data.resize(size_t(size));
        ok = fread(data.data(), 1, data.size(), file) == data.size();
    }
    fclose(file);
    return ok;
}

bool SameContent(const std::wstring& path, const std::vector<char>& data)
{
    std::vector<char> existing;
    return ReadWhole(path, existing) && existing == data;
}

// A target that cannot be opened is fine when it already holds exactly this data.
bool WriteTarget(const std::wstring& path, const std::vector<char>& data, RunFiles& written)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return SameContent(path, data);
    written.AddFile(path);
    bool ok = data.empty() || fwrite(data.data(), 1, data.size(), file) == data.size();
    return fclose(file) == 0 && ok;
}

int Item(const LyturarLibrary& library, URARHANDLE handle, int item, std::vector<char>& buffer)
{
    unsigned long size = 0;
    int result = library.getSizeBuffer(handle, item, &size);
    if (result != URAR_OK)
        return result;
    buffer.assign(size, 0);
    return library.getBuffer(handle, item, buffer.data(), size);
}

} // namespace

bool LoadLyturar(const std::wstring& path, LyturarLibrary& library)
{
    library = LyturarLibrary();
    library.module = LoadLibraryW(path.c_str());
    if (!library.module)
        return false;
    HMODULE m = library.module;
    if (Resolve(m, "URARInitialize", library.initialize) && Resolve(m, "URARFinalize", library.finalize) &&
        Resolve(m, "URARDoAction", library.doAction) && Resolve(m, "URARGetSizeBuffer", library.getSizeBuffer) &&
        Resolve(m, "URARGetBuffer", library.getBuffer) && Resolve(m, "URARGetLastError", library.getLastError))
        return true;
    ReleaseLyturar(library);
    return false;
}

void ReleaseLyturar(LyturarLibrary& library)
{
    if (library.module)
        FreeLibrary(library.module);
    library = LyturarLibrary();
}

int RarExtract(const LyturarLibrary& library, const std::wstring& archive, const std::wstring& folder,
               RunFiles& written)
{
    std::vector<char> data;
    if (!ReadWhole(archive, data))
        return RAR_READ_FAILED;
    URARHANDLE handle = library.initialize(0, data.data(), static_cast<unsigned long>(data.size()));
    if (!handle)
        return URAR_NO_MEMORY;
    int files = 0, failure = 0, result;
    std::vector<char> name, content;
    while ((result = library.doAction(handle)) == URAR_OK) {
        int item = Item(library, handle, URAR_ITEM_NAME, name);
        if (item == URAR_OK)
            item = Item(library, handle, URAR_ITEM_DATA, content);
        if (item != URAR_OK) {
            result = item;
            break;
        }
        ++files;
        name.push_back(0);
        std::wstring relative = ToWide(std::string(name.data()));
        if (!IsSafeRelativeName(relative)) {
            failure = RAR_UNSAFE_NAME;
            continue;
        }
        std::wstring target = folder + L"\\" + relative;
        if (!written.CreateFolders(RunFiles::Parent(target)) || !WriteTarget(target, content, written))
            failure = RAR_CANNOT_WRITE;
    }
    library.finalize(handle);
    if (result != URAR_END)
        return result;
    if (files == 0)
        return RAR_NOTHING_IN_IT;
    return failure;
}

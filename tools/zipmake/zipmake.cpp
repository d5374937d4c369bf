// zipmake OUT.zip NAME FILE [NAME FILE ...]
// Builds an archive in memory through lytczip.dll, bound by ordinal as its users bind it, and
// writes it to OUT.zip. Exit code: 0 on success, otherwise the failing call's result (or 1).

#include "lytczip.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

template <typename F>
F Bind(HMODULE module, int ordinal)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: zipmake OUT.zip NAME FILE [NAME FILE ...]\n");
        return 1;
    }
    HMODULE lib = LoadLibraryA("lytczip.dll");
    if (!lib) {
        std::fprintf(stderr, "lytczip.dll not loaded (error %lu)\n", GetLastError());
        return 1;
    }
    auto init = Bind<CZIPInitialize_t>(lib, CZIP_ORD_INITIALIZE);
    auto fini = Bind<CZIPFinalize_t>(lib, CZIP_ORD_FINALIZE);
    auto add = Bind<CZIPDoAction_t>(lib, CZIP_ORD_DOACTION);
    auto sizeOf = Bind<CZIPGetSizeBuffer_t>(lib, CZIP_ORD_GETSIZEBUFFER);
    auto get = Bind<CZIPGetBuffer_t>(lib, CZIP_ORD_GETBUFFER);
    auto lastError = Bind<CZIPGetLastError_t>(lib, CZIP_ORD_GETLASTERROR);
    if (!init || !fini || !add || !sizeOf || !get || !lastError) {
        std::fprintf(stderr, "lytczip.dll lacks an ordinal\n");
        return 1;
    }

    ZipArchive* archive = init(0);
    if (!archive)
        return 1;
    int result = 0;
    for (int i = 2; i + 1 < argc && result == 0; i += 2) {
        std::ifstream in(argv[i + 1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[i + 1]);
            result = 1;
            break;
        }
        std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        result = add(archive, argv[i], data.empty() ? "" : data.data(), static_cast<int>(data.size()));
        if (result)
            std::fprintf(stderr, "entry %s: %d (last error %d)\n", argv[i], result, lastError(archive));
    }
    int size = 0;
    std::vector<char> bytes;
    if (result == 0)
        result = sizeOf(archive, &size);
    if (result == 0) {
        bytes.resize(static_cast<size_t>(size));
        result = get(archive, bytes.data(), size);
    }
    fini(archive);
    FreeLibrary(lib);
    if (result)
        return result;
    std::ofstream out(argv[1], std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        return 1;
    std::printf("%s: %d entries, %d bytes\n", argv[1], (argc - 2) / 2, size);
    return 0;
}

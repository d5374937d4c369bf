// kvpack [--sig SIGNATURE] LAUNCHER CLIENT_FOLDER CONFIG OUTPUT
// Builds one self-extracting package from the launcher KVPacket.exe, a folder of client files
// (programs, libraries, lyturar.dll and usually qel.sig) and a plain configuration, which is
// stored encrypted through KVCripto.
#include "PackageBuilder.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    PackageInput input;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--sig") == 0) {
        input.signaturePath = argv[2];
        first = 3;
    }
    if (argc - first != 4) {
        std::fprintf(stderr, "usage: kvpack [--sig SIGNATURE] LAUNCHER CLIENT_FOLDER CONFIG OUTPUT\n");
        return 2;
    }
    input.launcherPath = argv[first];
    input.clientFolder = argv[first + 1];
    input.configPath = argv[first + 2];
    std::string package, error;
    if (!BuildPackage(input, package, error)) {
        std::fprintf(stderr, "kvpack: %s\n", error.c_str());
        return 1;
    }
    FILE* out = std::fopen(argv[first + 3], "wb");
    bool ok = out && std::fwrite(package.data(), 1, package.size(), out) == package.size();
    if (out && std::fclose(out) != 0)
        ok = false;
    if (!ok) {
        std::fprintf(stderr, "kvpack: cannot write %s\n", argv[first + 3]);
        return 1;
    }
    std::printf("%s: %zu bytes\n", argv[first + 3], package.size());
    return 0;
}

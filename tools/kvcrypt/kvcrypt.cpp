// kvcrypt encrypt|decrypt|check IN [OUT]
// Encrypts or decrypts a file through KVCripto, or tells (exit 0/1) whether it is encrypted.

#include "KVCripto.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 3 || (std::strcmp(argv[1], "check") != 0 && argc < 4)) {
        std::fprintf(stderr, "usage: kvcrypt encrypt|decrypt IN OUT | kvcrypt check IN\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 2;
    }
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unsigned long size = static_cast<unsigned long>(data.size());
    if (std::strcmp(argv[1], "check") == 0)
        return KV_IsEncrypted(data.data(), size) ? 0 : 1;

    void* out = nullptr;
    unsigned long outSize = 0;
    int ok = 0;
    if (std::strcmp(argv[1], "encrypt") == 0)
        ok = KV_EncryptBuffer(data.data(), size, &out, &outSize);
    else if (std::strcmp(argv[1], "decrypt") == 0)
        ok = KV_DecryptBuffer(data.data(), size, &out, &outSize);
    if (!ok) {
        std::fprintf(stderr, "%s failed\n", argv[1]);
        return 1;
    }
    std::ofstream file(argv[3], std::ios::binary);
    file.write(static_cast<const char*>(out), outSize);
    KV_MemFree(out);
    return file ? 0 : 2;
}

#include "Guid.h"

#include <windows.h>
#include <rpc.h>

int NewBracedGuid(std::string& text)
{
    text.clear();
    UUID uuid;
    RPC_STATUS status = UuidCreate(&uuid);
    if (status != RPC_S_OK && status != RPC_S_UUID_LOCAL_ONLY)
        return 1;
    RPC_CSTR form = nullptr;
    if (UuidToStringA(&uuid, &form) != RPC_S_OK || !form)
        return 1;
    text.push_back('{');
    text.append(reinterpret_cast<const char*>(form));
    text.push_back('}');
    RpcStringFreeA(&form);
    for (char& c : text)
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
    return 0;
}

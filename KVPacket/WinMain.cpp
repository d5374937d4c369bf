// KVPacket: the self-extracting package launcher. No window of its own; the exit code tells the
// outcome.
#include "Launcher.h"
#include "PacketLog.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t path[MAX_PATH * 2];
    DWORD got = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    if (got == 0 || got >= MAX_PATH * 2)
        return LAUNCH_UNPACK_FAILED;
    int code = RunLauncher(path, ParseLauncherOptions(GetCommandLineW()));
    PacketLog("Exiting with return value %d", code);
    return code;
}

// The launcher's log: KVLog.dll of the work folder, bound on first use after the payload put it
// there (the launcher itself imports only system libraries). Without it, lines are dropped.
#pragma once

#include <string>

// Binds "KVLog.dll" of folder, if it is there.
void BindPacketLog(const std::wstring& folder);
// Releases the library so that the folder's files can be deleted.
void ReleasePacketLog();
void PacketLogAt(const char* sourceFile, int line, const char* format, ...);

#define PacketLog(...) PacketLogAt(__FILE__, __LINE__, __VA_ARGS__)

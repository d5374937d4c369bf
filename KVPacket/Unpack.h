// Unpacking the archives that the payload put into the work folder.
#pragma once

#include "RunFiles.h"

#include <string>

// Shows a message to the user (null: alerts are off).
typedef void (*AlertFunction)(const std::wstring& text);

// Unpacks every "*.zip", then every "*.rar" directly in folder into folder, each first as ZIP and
// then as RAR, and deletes each archive that was unpacked. lyturar is loaded from folder only when
// there is an archive. True when all succeeded.
bool UnpackArchives(const std::wstring& folder, RunFiles& written, AlertFunction alert);

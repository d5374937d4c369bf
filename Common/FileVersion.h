// Version resource of a file.
#pragma once

#include <string>

// version: "%d.%d.%d.%d" of the fixed file information; description: FileDescription of the first
// translation (else of the user's default language with code page 04B0). Either may be null. Missing
// resources leave the texts untouched; returns true when the version resource was read.
bool GetFileVersionText(const wchar_t* path, std::wstring* version, std::wstring* description);

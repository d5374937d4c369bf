// Names that come out of the package (payload entries, ZIP and RAR entries) become paths below the
// work folder; only plain relative names may.
#pragma once

#include <string>

// False for an empty name, an absolute one ("\x", "/x"), one with a drive or any ':' and one with a
// ".." component; '\' and '/' both separate components.
bool IsSafeRelativeName(const std::wstring& name);

// The launcher's texts from its string table, in the system's language.
#pragma once

#include <windows.h>

#include <string>

// 1036 for French, 3082 for Spanish, 1033 for everything else.
LANGID PacketLanguage(LANGID userLanguage);
// The language of this run: the user's interface language.
LANGID CurrentPacketLanguage();
// Text id in the given language of the string table of module (empty when missing).
std::wstring PacketString(HMODULE module, UINT id, LANGID language);

// Culture names of Windows language identifiers ("en-us", "es-es"...).
#pragma once

#include <stddef.h>

#include <string>

// The first table pair with the identifier ("af-za" for 0x0436); "0x%.4X" when it is not in the table.
std::string LanguageName(unsigned short langId);
size_t LanguageTableSize();

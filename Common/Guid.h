// Braced GUID texts: "{" + 36 lower-case characters + "}".
#pragma once

#include <string>

// Creates a new UUID (a locally unique one is accepted); non-zero and an empty text on failure.
int NewBracedGuid(std::string& text);

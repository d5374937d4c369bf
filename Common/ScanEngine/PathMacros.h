// The path macros of configured paths ("%windir%", "%system%", "%mydocuments%", ...), expanded to the
// folders this computer has, followed by the environment variables.
#pragma once

#include <cstddef>

// Lower-cases the text (at most 260 characters), replaces the macros and expands environment variables.
// Returns the length of the result plus one after copying it to out, or 0 (nothing written) when the
// expansion failed or the result does not fit outSize characters.
size_t expandPathMacros(const wchar_t* text, wchar_t* out, size_t outSize);

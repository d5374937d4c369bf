// Standard Base64 with '=' padding.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

std::string Base64Encode(const void* data, size_t size);
// Stops at the first '=' or at the first character outside the alphabet; a trailing group of fewer
// than four characters gives the whole bytes it holds.
std::vector<uint8_t> Base64Decode(const std::string& text);

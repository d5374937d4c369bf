// ISO 8601 times of the XML documents and file-time conversion.
#pragma once

#include <windows.h>

#include <ctime>
#include <string>

// Local time with the zone offset of the run-time library's zone, e.g. "2026-07-01T14:00:00+02:00".
// Returns non-zero (and an empty text) when the local time cannot be computed.
int LocalTimeIso(time_t when, std::string& text);
// UTC time, e.g. "2026-07-01T12:00:00+00:00"; non-zero when the time cannot be converted.
int UtcTimeIso(time_t when, std::string& text);
// Seconds since 1970 from a FILETIME (100-ns intervals since 1601).
long long FileTimeToUnix(const FILETIME& filetime);

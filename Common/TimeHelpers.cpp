// ISO 8601 time texts.
#include "TimeHelpers.h"

#include <cstdio>

int LocalTimeIso(time_t when, std::string& text)
{
    text.clear();
    _tzset();
    struct tm local;
    if (localtime_s(&local, &when) != 0)
        return 1;
    long zone = _timezone / 60; // minutes west of UTC
    char sign;
    long offset;
    if (zone > 0) {
        sign = '-';
        offset = local.tm_isdst > 0 ? zone - 60 : zone;
    } else {
        sign = '+';
        offset = local.tm_isdst > 0 ? -zone + 60 : -zone;
    }
    char buffer[40];
    snprintf(buffer, sizeof buffer, "%.4i-%.2i-%.2iT%.2i:%.2i:%.2i%c%.2li:%.2li", local.tm_year + 1900,
             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, sign, offset / 60,
             offset % 60);
    text = buffer;
    return 0;
}

int UtcTimeIso(time_t when, std::string& text)
{
    text.clear();
    struct tm utc;
    if (gmtime_s(&utc, &when) != 0)
        return 1;
    char buffer[40];
    snprintf(buffer, sizeof buffer, "%.4i-%.2i-%.2iT%.2i:%.2i:%.2i+00:00", utc.tm_year + 1900, utc.tm_mon + 1,
             utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    text = buffer;
    return 0;
}

long long FileTimeToUnix(const FILETIME& filetime)
{
    unsigned long long ticks = (static_cast<unsigned long long>(filetime.dwHighDateTime) << 32) | filetime.dwLowDateTime;
    return (static_cast<long long>(ticks) - 116444736000000000LL) / 10000000LL;
}

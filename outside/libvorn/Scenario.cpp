// Scenario file of the communications stand-ins: fault injection and answers, read at every call.

#include "StandInFiles.h"

#include <cwchar>

namespace standin {

namespace {

// "0x80070057", "-2147024809" or "87", optionally followed by "; comment"; false when the text is empty or
// not a whole number.
bool ParseNumber(const wchar_t* text, long* value)
{
    while (*text == L' ' || *text == L'\t')
        ++text;
    if (!*text)
        return false;
    bool negative = *text == L'-';
    const wchar_t* digits = negative ? text + 1 : text;
    wchar_t* end = nullptr;
    unsigned long magnitude = std::wcstoul(digits, &end, 0);
    if (end == digits)
        return false;
    while (*end == L' ' || *end == L'\t')
        ++end;
    if (*end && *end != L';') // a "; comment" may follow the number
        return false;
    *value = negative ? -static_cast<long>(magnitude) : static_cast<long>(magnitude);
    return true;
}

} // namespace

void Scenario::Bind(const std::wstring& folder, const wchar_t* fileName)
{
    path_ = folder + fileName;
}

long Scenario::Number(const wchar_t* section, const wchar_t* key, long fallback) const
{
    wchar_t text[64] = {};
    GetPrivateProfileStringW(section, key, L"", text, 64, path_.c_str());
    long value = 0;
    return ParseNumber(text, &value) ? value : fallback;
}

bool Scenario::Fails(const wchar_t* call, HRESULT* hr) const
{
    wchar_t text[64] = {};
    GetPrivateProfileStringW(L"Fail", call, L"", text, 64, path_.c_str());
    long value = 0;
    if (!ParseNumber(text, &value) || value == 0)
        return false;
    *hr = static_cast<HRESULT>(value);
    return true;
}

} // namespace standin

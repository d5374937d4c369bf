// Text conversions, trimming and small formatters.
#include "TextHelpers.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {

bool Convert(UINT codePage, const char* text, std::wstring& out)
{
    out.clear();
    if (!text || !*text)
        return true;
    int length = static_cast<int>(strlen(text));
    int needed = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (needed <= 0)
        return false;
    out.resize(static_cast<size_t>(needed));
    int done = MultiByteToWideChar(codePage, 0, text, length, &out[0], needed);
    out.resize(done > 0 ? static_cast<size_t>(done) : 0);
    return done == needed;
}

bool Convert(UINT codePage, const wchar_t* text, std::string& out)
{
    out.clear();
    if (!text || !*text)
        return true;
    int length = static_cast<int>(wcslen(text));
    int needed = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return false;
    out.resize(static_cast<size_t>(needed));
    int done = WideCharToMultiByte(codePage, 0, text, length, &out[0], needed, nullptr, nullptr);
    out.resize(done > 0 ? static_cast<size_t>(done) : 0);
    return done == needed;
}

template <typename Char>
bool IsBlank(Char c)
{
    return c == ' ' || c == '\t';
}

template <typename Char>
void TrimLeftInPlace(Char* text)
{
    if (!text)
        return;
    Char* start = text;
    while (IsBlank(*start))
        ++start;
    if (start != text) {
        Char* to = text;
        while ((*to++ = *start++) != 0) {
        }
    }
}

template <typename Char>
void TrimRightInPlace(Char* text)
{
    if (!text)
        return;
    Char* end = text;
    while (*end)
        ++end;
    while (end > text && IsBlank(end[-1]))
        --end;
    *end = 0;
}

template <typename String>
void TrimLeftString(String& text)
{
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    text.erase(0, start);
}

template <typename String>
void TrimRightString(String& text)
{
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    text.erase(end);
}

} // namespace

bool ToWide(const char* narrow, std::wstring& wide)
{
    return Convert(CP_ACP, narrow, wide);
}

bool ToNarrow(const wchar_t* wide, std::string& narrow)
{
    return Convert(CP_ACP, wide, narrow);
}

std::wstring ToWide(const std::string& narrow)
{
    std::wstring wide;
    ToWide(narrow.c_str(), wide);
    return wide;
}

std::string ToNarrow(const std::wstring& wide)
{
    std::string narrow;
    ToNarrow(wide.c_str(), narrow);
    return narrow;
}

std::wstring Utf8ToWide(const std::string& utf8)
{
    std::wstring wide;
    Convert(CP_UTF8, utf8.c_str(), wide);
    return wide;
}

std::string WideToUtf8(const std::wstring& wide)
{
    std::string utf8;
    Convert(CP_UTF8, wide.c_str(), utf8);
    return utf8;
}

std::wstring ToUpperWide(const wchar_t* text)
{
    std::wstring upper = text ? text : L"";
    if (!upper.empty())
        CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    return upper;
}

void TrimLeft(char* text) { TrimLeftInPlace(text); }
void TrimRight(char* text) { TrimRightInPlace(text); }
void TrimLeft(wchar_t* text) { TrimLeftInPlace(text); }
void TrimRight(wchar_t* text) { TrimRightInPlace(text); }
void TrimLeft(std::string& text) { TrimLeftString(text); }
void TrimRight(std::string& text) { TrimRightString(text); }
void TrimLeft(std::wstring& text) { TrimLeftString(text); }
void TrimRight(std::wstring& text) { TrimRightString(text); }

void Trim(std::string& text)
{
    TrimRight(text);
    TrimLeft(text);
}

void Trim(std::wstring& text)
{
    TrimRight(text);
    TrimLeft(text);
}

std::string XmlEscapeUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned c = static_cast<unsigned>(text[i]) & 0xFFFF;
        // A surrogate pair is one character of four UTF-8 bytes; a lone half has no UTF-8 form and
        // would make the document unreadable, so it becomes the replacement character.
        if (c >= 0xD800 && c <= 0xDFFF) {
            unsigned low = i + 1 < text.size() ? static_cast<unsigned>(text[i + 1]) & 0xFFFF : 0;
            if (c <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                unsigned code = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                out += static_cast<char>(0xF0 | (code >> 18));
                out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
                out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (code & 0x3F));
                ++i;
                continue;
            }
            c = 0xFFFD;
        }
        switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        case '\'': out += "&apos;"; continue;
        default: break;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string IntToText(int n)
{
    char text[16];
    snprintf(text, sizeof text, "%i", n);
    return text;
}

// Text conversions, trimming and XML escaping shared by the client programs.
#pragma once

#include <string>

// ANSI code page (code page 0) <-> UTF-16. A failed conversion leaves an empty or partial text and
// returns false.
bool ToWide(const char* narrow, std::wstring& wide);
bool ToNarrow(const wchar_t* wide, std::string& narrow);
std::wstring ToWide(const std::string& narrow);
std::string ToNarrow(const std::wstring& wide);

// UTF-8 -> UTF-16 and back.
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

// Upper-cases with the system's wide upper-casing; a null text counts as empty.
std::wstring ToUpperWide(const wchar_t* text);

// Blanks and tabs only (line breaks stay). The pointer forms work in place on terminated texts.
void TrimLeft(char* text);
void TrimRight(char* text);
void TrimLeft(wchar_t* text);
void TrimRight(wchar_t* text);
void TrimLeft(std::string& text);
void TrimRight(std::string& text);
void TrimLeft(std::wstring& text);
void TrimRight(std::wstring& text);
void Trim(std::string& text);
void Trim(std::wstring& text);

// Escapes & < > " ' and encodes as UTF-8 (each UTF-16 unit by itself), ready for an XML element or
// attribute.
std::string XmlEscapeUtf8(const std::wstring& text);

// "%i".
std::string IntToText(int n);

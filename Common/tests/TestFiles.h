// Scratch files and folders for the Common tests, below the system temporary folder.
#pragma once

#include <string>

// A fresh empty folder unique to this process and name; removed again by the test that made it.
std::wstring TestFolder(const wchar_t* name);
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
void RemoveTree(const std::wstring& path);

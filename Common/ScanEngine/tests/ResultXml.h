// Reading result documents back in tests: a real XML parser (libxml2) turns the bytes into a small tree.
#pragma once

#include <string>
#include <vector>

struct XmlNode {
    std::string name;
    std::string text; // the concatenated text of the element's own text children (UTF-8)
    std::vector<XmlNode> children;

    // The first child of that name; a static empty node when there is none.
    const XmlNode& operator[](const std::string& childName) const;
    bool has(const std::string& childName) const;
    std::vector<std::string> childNames() const;
};

// false (and a message in error) when the bytes are not a well-formed UTF-8 XML document.
bool ParseXml(const std::string& bytes, XmlNode& root, std::string& error);

// Names of the files in folder that match the wildcard, sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* wildcard);

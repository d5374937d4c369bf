#include "ResultXml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <windows.h>

#include <algorithm>

namespace {

void Collect(xmlNode* element, XmlNode& out)
{
    out.name = reinterpret_cast<const char*>(element->name);
    for (xmlNode* child = element->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            out.children.emplace_back();
            Collect(child, out.children.back());
        } else if (child->type == XML_TEXT_NODE && child->content) {
            out.text += reinterpret_cast<const char*>(child->content);
        }
    }
}

void Silent(void*, const char*, ...) {}

} // namespace

const XmlNode& XmlNode::operator[](const std::string& childName) const
{
    static const XmlNode empty;
    for (const XmlNode& child : children)
        if (child.name == childName)
            return child;
    return empty;
}

bool XmlNode::has(const std::string& childName) const
{
    for (const XmlNode& child : children)
        if (child.name == childName)
            return true;
    return false;
}

std::vector<std::string> XmlNode::childNames() const
{
    std::vector<std::string> names;
    for (const XmlNode& child : children)
        names.push_back(child.name);
    return names;
}

bool ParseXml(const std::string& bytes, XmlNode& root, std::string& error)
{
    xmlSetGenericErrorFunc(nullptr, Silent);
    xmlDoc* doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "document.xml", nullptr, XML_PARSE_NONET);
    if (!doc) {
        const xmlError* last = xmlGetLastError();
        error = last && last->message ? last->message : "not well-formed";
        return false;
    }
    root = XmlNode();
    Collect(xmlDocGetRootElement(doc), root);
    xmlFreeDoc(doc);
    return true;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* wildcard)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\" + wildcard).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

#include "Win32Exception.h"

#include <windows.h>

Win32Exception::Win32Exception(unsigned long code) : code_(code), message_("Error: " + std::to_string(code))
{
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (length && text) {
        std::string systemText(text, length);
        while (!systemText.empty() && (systemText.back() == '\n' || systemText.back() == '\r' ||
                                       systemText.back() == ' '))
            systemText.pop_back();
        if (!systemText.empty())
            message_ += ": " + systemText;
    }
    if (text)
        LocalFree(text);
}

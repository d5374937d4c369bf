#include "EntryName.h"

bool IsSafeRelativeName(const std::wstring& name)
{
    if (name.empty() || name[0] == L'\\' || name[0] == L'/')
        return false;
    if (name.find(L':') != std::wstring::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t stop = name.find_first_of(L"\\/", start);
        size_t length = (stop == std::wstring::npos ? name.size() : stop) - start;
        if (name.compare(start, length, L"..") == 0)
            return false;
        if (stop == std::wstring::npos)
            break;
        start = stop + 1;
    }
    return true;
}

#include "AnalyzableItemsList.h"

AnalyzableItemsList::AnalyzableItemsList()
{
    ScanApiDll& dll = ScanApiRef::dll();
    handle_ = dll.ZOScan_CreateAnalizableItemsList.call()();
    if (!handle_)
        throw Win32Exception(static_cast<unsigned long>(dll.ZOScan_GetLastError.call()(nullptr)));
}

AnalyzableItemsList::~AnalyzableItemsList()
{
    ScanApiRef::dll().ZOScan_FreeAnalizableItemsList.call()(handle_);
}

int AnalyzableItemsList::add(uint32_t kind, const void* item)
{
    return ScanApiRef::dll().ZOScan_AddAnalizableItem.call()(handle_, kind, item);
}

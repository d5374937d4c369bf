#include "ScanApiRef.h"

ScanApiDll* ScanApiRef::dll_ = nullptr;
int ScanApiRef::count_ = 0;
char ScanApiRef::folder_[MAX_PATH] = {};

void ScanApiRef::setFolder(const char* path)
{
    if (!path)
        return;
    lstrcpynA(folder_, path, MAX_PATH);
}

void ScanApiRef::acquire()
{
    if (count_ == 0) {
        ScanApiDll* dll = new ScanApiDll(folder_);
        int result = dll->ZOScan_InitializeAPI.call()(kInterfaceVersion);
        if (result != 0) {
            delete dll;
            throw Win32Exception(static_cast<unsigned long>(result));
        }
        dll_ = dll;
    }
    ++count_;
}

void ScanApiRef::release()
{
    if (count_ <= 0)
        return;
    if (--count_ == 0) {
        delete dll_;
        dll_ = nullptr;
    }
}

uint32_t ScanApiRef::currentVersion()
{
    ScanApiHold hold;
    return dll_->ZOScan_GetCurrentVersion.call()();
}

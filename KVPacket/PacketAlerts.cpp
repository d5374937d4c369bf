#include "PacketAlerts.h"

#include "OsType.h"
#include "RequirementsWindow.h"
#include "Strings.h"
#include "TextHelpers.h"
#include "resource.h"

#include <windows.h>

namespace {

const wchar_t kCaption[] = L"Orvane Halvex";
const wchar_t kSupportedSystems[] =
    L"Windows 95, Windows 98, Windows Millennium Edition, Windows XP Home Edition, Windows NT 4.0 Workstation, "
    L"Windows NT 4.0 Server, Windows NT 4.0 Enterprise Server, Windows 2000 Professional, Windows 2000 Server, "
    L"Windows 2000 Enterprise Server, Windows 2000 Advanced Server, Windows Server 2003 (Enterprise Edition) "
    L"32/64 bits, Windows XP Professional Edition 32/64 bits, Windows Server 2003 R2 SP1 32/64 bits, "
    L"Windows Vista 32/64 bits.";

std::wstring Text(UINT id)
{
    return PacketString(GetModuleHandleW(nullptr), id, CurrentPacketLanguage());
}

} // namespace

void Alert(const std::wstring& text)
{
    MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK);
}

void ShowPacketRequirements(const RequirementFacts& facts, const RequirementFlags& flags)
{
    RequirementTexts texts = {Text(IDS_CANNOT_RUN), Text(IDS_OK), Text(IDS_STATEMENT), Text(IDS_FOOTNOTE),
                              Text(IDS_MINIMUM), Text(IDS_DETECTED), Text(IDS_PROCESSOR), Text(IDS_MEMORY),
                              Text(IDS_DISK), Text(IDS_OPERATING_SYSTEMS), Text(IDS_OPERATING_SYSTEM),
                              Text(IDS_BROWSER), Text(IDS_PROCESSOR_MINIMUM), Text(IDS_MEMORY_VALUE),
                              Text(IDS_DISK_VALUE), Text(IDS_BROWSER_MINIMUM), Text(IDS_BROWSER_VALUE),
                              kSupportedSystems};
    int type = OS_TYPE_UNKNOWN;
    std::string servicePack;
    DetectOsType(type, servicePack);
    const char* name = OsTypeName(type);
    std::wstring osName = name ? ToWide(std::string(name) + (servicePack.empty() ? "" : " " + servicePack)) : L"";
    ShowRequirementsWindow(texts, RequirementRows(texts, facts, flags, ProcessorName(), osName));
}

void ShowAlreadyRunning()
{
    std::vector<DialogLine> lines = {
        {Text(IDS_ALREADY_RUNNING), 20, 20, 480, 48, true, false},
        {Text(IDS_ALREADY_RUNNING_DETAIL), 20, 76, 480, 40, false, false},
    };
    ShowLinesDialog(Text(IDS_CANNOT_RUN), lines, Text(IDS_OK), 520, 170);
}

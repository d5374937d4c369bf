// The requirements step of the start-up: the shared measurements and thresholds with the scanner's
// operating-system checks, its log lines and its built-in Spanish window texts.
#include "Hooks.h"

#include "Globals.h"
#include "KVLog.h"
#include "OsType.h"
#include "Requirements.h"
#include "RequirementsWindow.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

namespace {

RequirementFacts g_facts;
RequirementFlags g_flags;

const wchar_t kSupportedSystems[] =
    L"\nWindows XP Home Edition, Windows 2000 Professional, Windows 2000 Server, Windows 2000 Enterprise Server, "
    L"Windows 2000 Advanced Server, Windows Server 2003 (Enterprise Edition) 32/64 bits, Windows XP Professional "
    L"Edition 32/64 bits, Windows Server 2003 R2 SP1 32/64 bits, Windows Vista 32/64 bits.";

} // namespace

bool CheckMinimumRequirements(const std::string& driveRoot)
{
    const RequirementProbes& probes = kSystemProbes;
    g_facts = RequirementFacts();
    g_facts.osType = g_config.osType;
    g_facts.servicePack = g_config.servicePack;
    if (g_config.osType == OS_NT4 || g_config.osType == OS_NT4_SERVER)
        KVSCAN_LOG("    Checking Service pack on NT");
    KVSCAN_LOG("    Checking memory");
    MeasureMemory(probes, g_facts);
    KVSCAN_LOG("    Checking free disk space on %s", driveRoot.c_str());
    MeasureDisk(probes, ToWide(g_config.programFolder), g_facts); // a UNC folder is measured at its share
    KVSCAN_LOG("    Checking Processor");
    MeasureProcessor(probes, g_facts);
    KVSCAN_LOG("    Checking IE Version");
    MeasureBrowser(probes, g_facts);
    g_flags = EvaluateRequirements(g_facts, true);
    if (g_flags.os)
        KVSCAN_LOG("9x/NT4 OS detected. Not supported OS.");
    KVSCAN_LOG("Requirements: memory %u MB, free disk %u MB, processor %u MHz, browser %d; failed:%s%s%s%s%s%s",
               BytesToMb(g_facts.totalMemoryBytes), BytesToMb(g_facts.freeDiskBytes), g_facts.processorMhz,
               g_facts.browserMajor, g_flags.memory ? " memory" : "", g_flags.disk ? " disk" : "",
               g_flags.processor ? " processor" : "", g_flags.browser ? " browser" : "", g_flags.os ? " os" : "",
               g_flags.servicePack ? " servicepack" : "");
    return !g_flags.Any();
}

void ShowRequirementsWindow()
{
    RequirementTexts texts = {
        L"No se puede ejecutar", L"Aceptar",
        g_config.disinfection
            ? L"Este equipo no cumple los requisitos minimos para ejecutar el programa de desinfeccion."
            : L"Este equipo no cumple los requisitos minimos para ejecutar el programa de analisis.",
        L"(*) Requisito por debajo del minimo requerido.", L"Requisitos minimos", L"Requisitos detectados",
        L"Procesador", L"Memoria RAM", L"Espacio en disco", L"Sistemas Operativos", L"Sistema Operativo",
        L"Internet/Navegador", L"486 a %d MHz (o superior)", L"%d MB", L"Disco duro: %d MB",
        L"Internet Explorer %d, o superior", L"Internet Explorer %d", kSupportedSystems};
    const char* name = OsTypeName(g_config.osType);
    std::string osName = name ? std::string(name) + (g_config.servicePack.empty() ? "" : " " + g_config.servicePack)
                              : std::string();
    ShowRequirementsWindow(texts, RequirementRows(texts, g_facts, g_flags, ProcessorName(), ToWide(osName)));
}

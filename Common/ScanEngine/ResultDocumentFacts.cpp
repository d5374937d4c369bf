// Versions and the signature date for the AnalysisDetails document.

#include "ResultDocumentFacts.h"

#include "FilePackage.h"
#include "FileVersion.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"
#include "TimeHelpers.h"
#include "Win32Exception.h"

#include <windows.h>

std::wstring ProgramFileVersion(const TessalyConfig& config, const wchar_t* fileName)
{
    std::wstring path = ToWide(config.programFolder) + L"\\" + fileName;
    std::wstring version;
    GetFileVersionText(path.c_str(), &version, nullptr);
    return version;
}

namespace {

// The package's date, or 0 when it cannot be opened or gives none.
time_t PackageDate(const TessalyConfig& config)
{
    try {
        FilePackage package(config);
        time_t date = 0;
        if (package.IniciarSistemaAS_(true))
            date = package.signatureDate();
        package.FinalizarSistemaAS();
        return date;
    } catch (const Win32Exception& e) {
        KV_GenerateLog(config.logModule.c_str(), KV_SOURCE_FILE, __LINE__,
                       "caught exception reading the signature date :%lu [%s]", e.code(), e.what());
    }
    return 0;
}

} // namespace

std::string QelsigDateText(const TessalyConfig& config)
{
    std::string text;
    LocalTimeIso(0, text);

    std::wstring path = ToWide(config.programFolder) + L"\\qel.sig";
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::string modified;
        if (LocalTimeIso(static_cast<time_t>(FileTimeToUnix(data.ftLastWriteTime)), modified) == 0)
            text = modified;
    }

    time_t date = PackageDate(config);
    if (date > 0) {
        std::string utc;
        if (UtcTimeIso(date, utc) == 0)
            text = utc;
    }
    return text;
}

#include "FilePackage.h"

#include "EngineRecords.h"
#include "KVEReport.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <new>
#include <string>

namespace {

// The engine takes UTF-8 paths: the ANSI path converted, or as it is when it cannot be converted.
std::string EnginePath(const std::string& ansiPath)
{
    const size_t limit = 1039; // of a 1040-byte buffer
    char buffer[1040] = {};
    int wideLength = MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, nullptr, 0);
    if (wideLength > 0) {
        std::wstring wide(static_cast<size_t>(wideLength), L'\0');
        MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, &wide[0], wideLength);
        if (WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, buffer, static_cast<int>(limit), nullptr, nullptr) > 0)
            return buffer;
    }
    return ansiPath.substr(0, limit);
}

} // namespace

FilePackage::FilePackage(const TessalyConfig& config) : config_(config) {}

FilePackage::~FilePackage()
{
    clear();
}

void FilePackage::report(const char* text) const
{
    KV_GenerateErrorReport(config_.instanceId.c_str(), config_.logModule.c_str(), 0, text, 0, "", 1,
                           config_.reportsPathA.c_str(), config_.configWasEncrypted ? 1 : 0);
}

template <class Table>
bool FilePackage::create(std::unique_ptr<Table>& field, const char* name)
{
    const char* module = config_.logModule.c_str();
    try {
        field.reset(new (std::nothrow) Table(config_.programFolder.c_str()));
    } catch (const Win32Exception& e) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "caught exception in \"new %s\" :%lu [%s]", name, e.code(),
                       e.what());
        std::string text = std::string("caught exception in \"new ") + name + "\": " + std::to_string(e.code()) +
                           " - " + e.what();
        report(text.c_str());
        return false;
    }
    if (!field) {
        std::string text = std::string("\"new ") + name + "\" failed.";
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "%s", text.c_str());
        report(text.c_str());
        return false;
    }
    return true;
}

// Frees what the engine holds for this package before the tables go, so that reopening never leaves an
// analysis system or definition subsystem behind in the engine.
void FilePackage::clear()
{
    if (handle_ && main_) {
        if (definitions_)
            definitions_->MDFS_FreeMalwareDefinitionFileSubsystem.call()(handle_);
        main_->AS_FreeAnalysisSystem.call()(handle_);
    }
    definitions_.reset();
    main_.reset();
    handle_ = nullptr;
}

bool FilePackage::IniciarSistemaAS_(bool reuse)
{
    KV_SCOPE(config_.logModule.c_str(), "FilePackage::IniciarSistemaAS_()");
    const char* module = config_.logModule.c_str();
    if (reuse && isOpen())
        return true;

    std::string signaturePath = config_.programFolder + "\\Qel.sig";
    clear();

    if (!create(main_, "NucleoMainDll"))
        return false;

    std::string enginePath = EnginePath(signaturePath);
    ZoAnalysisSystemRecord record;
    FillAnalysisSystemRecord(record, installationId_, appRefVersion_, InstallationIdentifier(config_.programFolder),
                             ToNarrow(config_.appRefVersion));
    handle_ = main_->AS_InitializeAnalysisSystem.call()(&record, enginePath.c_str(), 1);
    if (!handle_) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "InitializeAnalysisSystem failed.");
        report("InitializeAnalysisSystem failed.");
        return false;
    }

    if (!create(definitions_, "NucleoMalwareDefinitionFileDll"))
        return false;

    int result = definitions_->MDFS_InitializeMalwareDefinitionFileSubsystem.call()(handle_, enginePath.c_str(), 1);
    if (result != 0) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "InitializeMalwareDefinitionFileSubsystem failed. Error:%i",
                       result);
        std::string text = "InitializeMalwareDefinitionFileSubsystem failed. Error: " + std::to_string(result);
        report(text.c_str());
        definitions_.reset();
        return false;
    }
    return true;
}

bool FilePackage::FinalizarSistemaAS()
{
    KV_SCOPE(config_.logModule.c_str(), "FilePackage::FinalizarSistemaAS()");
    if (isOpen())
        clear();
    return true;
}

time_t FilePackage::signatureDate()
{
    if (!isOpen())
        return 0;
    MDFS_GetInfoInt_t getInfo = definitions_->MDFS_GetInfoInt.call();
    int usable = 0;
    if (getInfo(handle_, 3, &usable) != 0 || usable == 0)
        return 0;
    int date = 0;
    if (getInfo(handle_, 2, &date) != 0)
        return 0;
    return static_cast<time_t>(static_cast<uint32_t>(date));
}

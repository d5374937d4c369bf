// The analysis system of zokas.dll opened against the signature file "Qel.sig" of the program's folder.
#pragma once

#include "EngineLibrary.h"

#include <ctime>
#include <memory>

class TessalyConfig;

class FilePackage {
public:
    // Uses the program folder, application reference version, log module and error-report settings.
    explicit FilePackage(const TessalyConfig& config);
    ~FilePackage();

    // Opens the package (reuse: an open package is kept as it is). Failures are logged and reported.
    bool IniciarSistemaAS_(bool reuse);
    // Closes an open package; always true.
    bool FinalizarSistemaAS();
    // The signature file's date (seconds since 1970, UTC), or 0 when not open or not known.
    time_t signatureDate();

    bool isOpen() const { return main_ && definitions_ && handle_; }

    FilePackage(const FilePackage&) = delete;
    FilePackage& operator=(const FilePackage&) = delete;

private:
    void clear();
    void report(const char* text) const;
    template <class Table>
    bool create(std::unique_ptr<Table>& field, const char* name);

    const TessalyConfig& config_;
    std::unique_ptr<NucleoMainDll> main_;
    std::unique_ptr<NucleoMalwareDefinitionFileDll> definitions_;
    ZokasHandle handle_ = nullptr;
    // The analysis-system record points here.
    char installationId_[33] = {};
    char appRefVersion_[33] = {};
};

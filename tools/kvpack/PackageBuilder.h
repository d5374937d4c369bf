// Builds a package: the launcher followed by the five payload entries modules.rar, core.rar,
// lyturar.dll, qel.zip (a RAR archive holding qel.sig) and KVScan.ini (encrypted).
#pragma once

#include <string>
#include <vector>

struct PackageInput {
    std::string launcherPath;
    std::string clientFolder; // the client files (for example the build's dist folder)
    std::string configPath;   // plain (or already encrypted) configuration
    std::string signaturePath; // empty: qel.sig of the client folder
};

struct NamedData {
    std::string name;
    std::string data;
};

// The files of the client folder (not its sub-folders), by file name.
bool ListClientFiles(const std::string& folder, std::vector<NamedData>& files, std::string& error);

// Which archive a client file goes into: "core.rar", "modules.rar", or "" for files that travel
// otherwise (the launcher, lyturar.dll, the signature file, a configuration).
const char* ArchiveFor(const std::string& fileName);

// The payload entry bytes for one entry (header with marker, size and name, then the data); false
// when the name does not fit the 259 characters.
bool AppendPayloadEntry(std::string& payload, const std::string& name, const std::string& data);

// The whole package; false with a reason in error.
bool BuildPackage(const PackageInput& input, std::string& package, std::string& error);

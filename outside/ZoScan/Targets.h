// Finding the elements an analysis looks at: files under paths and on whole disks, running processes and
// their modules, and the mail-store files of the user's profile. Configured exclusions apply here.
#pragma once

#include "ScanState.h"

#include <set>
#include <string>
#include <vector>

struct Target {
    std::wstring path;
    uint32_t elementType = ZOSCAN_ELEMENT_FILE;
    uint32_t location = ZOSCAN_LOCATION_DISK;
    uint32_t running = 0;
    ZoCounterBlock block = ZOSCAN_COUNT_FILES;
};

class TargetCollector {
public:
    explicit TargetCollector(const AnalysisSettings& settings);

    // A file, or a folder's files (and its subfolders' with `subfolders`).
    void Path(const std::wstring& path, bool subfolders);
    // Every fixed disk, and the removable ones too with `removable` ([Disks] Roots of the scenario
    // narrows the drives, since a whole disk under Wine can be the host's whole file system).
    void Disks(bool removable);
    void Memory();
    void MailStores(bool outlookExpress);

    std::vector<Target>& targets() { return targets_; }
    uint32_t folders() const { return folders_; }

private:
    bool Excluded(const std::wstring& path) const;
    bool ExtensionWanted(const std::wstring& name) const;
    void Walk(const std::wstring& folder, bool subfolders, uint32_t location, ZoCounterBlock block,
              const std::vector<std::wstring>* onlyExtensions);
    void Add(const std::wstring& path, uint32_t type, uint32_t location, uint32_t running, ZoCounterBlock block);

    const AnalysisSettings& settings_;
    std::vector<std::wstring> excludedFolders_;    // lower case, no trailing backslash
    std::vector<std::wstring> excludedExtensions_; // lower case, no dot
    std::vector<Target> targets_;
    std::set<std::wstring> seen_;                  // lower-case paths already added
    uint32_t folders_ = 0;
};

std::wstring Widen(const std::string& text, unsigned codePage);
std::string Narrow(const std::wstring& text, unsigned codePage);
std::wstring Lower(std::wstring text);

// What this run of the launcher wrote into the work folder, so that a failed run removes its own
// files and folders and nothing else.
#pragma once

#include <string>
#include <vector>

class RunFiles {
public:
    void AddFile(const std::wstring& path);
    void AddFolder(const std::wstring& path);
    // Creates path and each missing parent, remembering the ones it made; true when the folder
    // exists afterwards.
    bool CreateFolders(const std::wstring& path);
    // The folder holding path (everything before the last '\').
    static std::wstring Parent(const std::wstring& path);

    // Deletes the files, then the folders it made (deepest first, only when empty).
    void RemoveAll();
    const std::vector<std::wstring>& Files() const { return files_; }
    const std::vector<std::wstring>& Folders() const { return folders_; }

private:
    std::vector<std::wstring> files_;
    std::vector<std::wstring> folders_;
};

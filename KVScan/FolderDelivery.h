// Delivery into a folder destination (local or UNC): the run folder and the copy of each file.
#pragma once

#include <string>
#include <vector>

struct FolderDestination {
    std::wstring base;       // ReportsFolder
    std::wstring instanceId; // the run folder's name
};

// Prepares base\<instance>\ with one sub-folder per bare name (empty names skipped). A fresh run
// empties an existing run folder; a resend run keeps what it holds. 1: refused (shorter than 4
// characters, a system folder, not creatable, not readable and writable); 0 otherwise.
int CreateFolderDestination(const FolderDestination& destination, const std::vector<std::wstring>& bareNames,
                            bool resend);

// A SendOneFile transport; context is a FolderDestination. Copies the file into
// base\<instance>\<bareName>\ (overwriting) and deletes the local file. 0 or the system error.
int CopyToFolderDestination(void* context, const std::wstring& localPath, const std::wstring& fileName,
                            const std::wstring& bareName);

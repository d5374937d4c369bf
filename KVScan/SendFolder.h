// One algorithm for every kind sent to a folder or FTP destination: list the plain files of a work
// folder, leave the ones still in use, drop oversized reports and statistics, hand each remaining file
// to the transport.
#pragma once

#include <string>

const unsigned long kMaxDeliveredFileSize = 2097152; // reports and statistics files

enum SendKind { SEND_REPORTS = 0, SEND_STATS = 1, SEND_SUSPICIOUS = 2, SEND_FILTERED = 3 };

// Delivers one local file into the destination sub-folder bareName and deletes it locally on success.
// Returns 0 or the error of the failure.
typedef int (*SendOneFile)(void* context, const std::wstring& localPath, const std::wstring& fileName,
                           const std::wstring& bareName);

struct SendRequest {
    SendKind kind;
    std::wstring localFolder; // absolute work folder
    std::wstring bareName;    // destination sub-folder name
};

// 0 when nothing is left to send; otherwise the error of the last failed file (1 when the folder cannot
// be listed or has no name). failed receives the number of files that could not be delivered. An empty
// bare name (no filtered-elements folder configured) means there is nothing of that kind: 0. A file named
// heldName stays behind this time (neither sent nor counted).
int SendWorkFolder(const SendRequest& request, SendOneFile send, void* context, unsigned long& failed,
                   const std::wstring& heldName = std::wstring());

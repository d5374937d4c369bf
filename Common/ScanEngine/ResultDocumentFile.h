// Writing a result document into the local reports folder: encryption, the file name and the file.
#pragma once

#include <string>

class TessalyConfig;

// Results of WriteDocumentFile.
enum DocumentFileResult {
    DOCUMENT_WRITTEN = 0,
    DOCUMENT_NOT_CREATED = 1, // the file could not be created
    DOCUMENT_SHORT_WRITE = 2, // created, but not all bytes were written (the partial file is removed)
};

// The local reports folder (KVSCAN_SCANCONFIG Reports, or its narrow copy).
std::wstring LocalReportsFolder(const TessalyConfig& config);

typedef int(__cdecl* DocumentEncrypt)(const void* plain, unsigned long length, void** out, unsigned long* outLength);

// The bytes to write: the text itself, or its form encrypted with encrypt when the configuration was
// encrypted. false when the encryption failed.
bool DocumentBytes(const TessalyConfig& config, DocumentEncrypt encrypt, const std::string& text, std::string& bytes);

// folder + "\" + a fresh braced GUID + ".xml"; when newGuid fails, folder + "\" + prefix + guid +
// "_%05d.xml" with the first number from 1 that names no readable file. Empty when no name is free.
std::wstring NewDocumentPath(const std::wstring& folder, int (*newGuid)(std::string&), const char* prefix,
                             const std::string& guid);

// Creates or truncates the file ("w+b") and writes the bytes.
int WriteDocumentFile(const std::wstring& path, const std::string& bytes);

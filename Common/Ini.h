// In-memory INI document shared by every client program (scanner, mail scanner, launcher, cleaner).
// Text in memory is UTF-16; text on disk is in the system ANSI code page. Section and key names are
// compared case-insensitively; look-ups find the first match.
#pragma once

#include <stddef.h>

// Status codes of every Ini* function.
enum IniStatus {
    INI_OK = 0,
    INI_BAD_ARGUMENT = 1,  // null path, null or empty section or key, no document
    INI_NOT_FOUND = 2,     // section or key not found
    INI_CANNOT_OPEN = 3,   // file cannot be opened for reading
    INI_TOO_LARGE = 4,     // file above the reader's limit
    INI_SHORT_READ = 5,    // fewer bytes read than the file length
    INI_BAD_HEADER = 6,    // section header without closing bracket
    INI_CANNOT_CREATE = 7, // file cannot be created for writing
    INI_NO_MEMORY = 8,     // out of memory, or text that cannot be converted
};

// The reader's two forms: the full one of the scanners, and the reduced one of the launcher and the
// cleaner (smaller limit and buffer).
enum class IniForm { Full, Reduced };

enum : unsigned long {
    INI_MAX_FILE_FULL = 128000,
    INI_MAX_FILE_REDUCED = 64000,
};

enum : size_t {
    INI_NAME_CHARS = 102,   // section and key names: at most 101 characters kept
    INI_VALUE_CHARS = 1028, // values: at most 1027 characters kept
};

struct IniEntry {
    wchar_t key[INI_NAME_CHARS];
    wchar_t value[INI_VALUE_CHARS];
    bool quoted;  // the value stood between double quotes in the file
    bool comment; // written back as a bare line (its value)
    IniEntry* next;
};

struct IniSection {
    wchar_t name[INI_NAME_CHARS];
    IniEntry* firstEntry;
    IniSection* next;
};

// A document is the pointer to its first section (null when empty); the caller frees it with IniFree.
typedef IniSection* IniDocument;

// Reads a whole file into a new zero-filled buffer (full form: length * 2 + 70 bytes; reduced form:
// length + 35 bytes). On failure *buffer is null.
int IniReadFile(const wchar_t* path, char** buffer, unsigned long* length, unsigned long* bufferSize,
                IniForm form = IniForm::Full);
void IniFreeBuffer(char** buffer);

// Parses length bytes of ANSI text and appends its sections and entries to *document.
int IniParseBuffer(const char* text, unsigned long length, IniDocument* document);

// *value is set to null, then to the stored value of the first matching entry.
int IniGetValue(const wchar_t* section, const wchar_t* key, const wchar_t** value, IniDocument document);
// Finds the first section of that name (leading white space skipped); appends it when missing and create.
int IniFindSection(const wchar_t* name, IniDocument* document, IniSection** found, bool create);
// With a value: replaces the first entry's value or appends an entry. With null: removes the first entry.
int IniSetValue(const wchar_t* section, const wchar_t* key, const wchar_t* value, IniDocument* document);
// Always appends a new entry, even when the key exists.
int IniAddValue(const wchar_t* section, const wchar_t* key, const wchar_t* value, IniDocument* document);
// Writes the whole document, replacing the file.
int IniWriteFile(const wchar_t* path, IniDocument document);
void IniFree(IniDocument* document);

// Copies text into a fixed array of `size` units, cutting it and always terminating it.
void IniCopyText(wchar_t* target, size_t size, const wchar_t* text, size_t length);

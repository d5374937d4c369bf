// The command line of KVScan: tokens and switches.
#pragma once

#include <string>

enum { MAX_COMMAND_TOKENS = 20 };

// Splits line in place into at most maxTokens tokens separated by white space. A double quote not
// preceded by a backslash opens or closes a quoted run (white space inside does not separate) and is
// removed. Returns the number of tokens; tokens[i] point into line.
int TokenizeCommandLine(wchar_t* line, wchar_t* tokens[], int maxTokens);

struct CommandSwitches {
    bool noClean = false;
    bool onlySend = false;
    bool haveArgument = false; // an argument that is not a switch; the last one counts
    std::wstring argument;
};

// Reads the tokens after the first (the program path).
CommandSwitches ParseSwitches(wchar_t* const tokens[], int count);

// The path of a "/cfgfile:" argument (any capitals), trimmed of blanks and tabs; false when the
// argument is something else.
bool ConfigFileArgument(const std::wstring& argument, std::wstring& path);

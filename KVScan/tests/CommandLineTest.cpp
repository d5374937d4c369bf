#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Tokens(const std::wstring& line)
{
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.resize(line.size() + 5, 0);
    wchar_t* tokens[MAX_COMMAND_TOKENS];
    int count = TokenizeCommandLine(buffer.data(), tokens, MAX_COMMAND_TOKENS);
    return std::vector<std::wstring>(tokens, tokens + count);
}

TEST(CommandLineTest, Tokenizer)
{
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> tokens;
    } cases[] = {
        {L"", {}},
        {L"   \t ", {}},
        {L"KVScan.exe", {L"KVScan.exe"}},
        {L"  a   b\tc\t\td  ", {L"a", L"b", L"c", L"d"}},
        {L"\"C:\\Program Files\\KVScan.exe\" /noclean", {L"C:\\Program Files\\KVScan.exe", L"/noclean"}},
        {L"x \"/cfgfile:C:\\my dir\\a.ini\"", {L"x", L"/cfgfile:C:\\my dir\\a.ini"}},
        {L"x /cfgfile:\"C:\\my dir\\a.ini\" y", {L"x", L"/cfgfile:C:\\my dir\\a.ini", L"y"}},
        {L"x a\\\"b c", {L"x", L"a\\\"b", L"c"}},           // a quote after a backslash is kept
        {L"x \"a\\\" b\"", {L"x", L"a\\\" b"}},              // ... and does not close a run
        {L"x \"\" y", {L"x", L"", L"y"}},                    // an empty quoted token
        {L"x \"open to the end", {L"x", L"open to the end"}},
        {L"x\t\"tab\tinside\"", {L"x", L"tab\tinside"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.tokens, Tokens(c.line)) << std::string(c.line, c.line + wcslen(c.line));
}

TEST(CommandLineTest, AtMostTwentyTokens)
{
    std::wstring line;
    for (int i = 0; i < 25; ++i)
        line += L"t" + std::to_wstring(i) + L" ";
    std::vector<std::wstring> tokens = Tokens(line);
    ASSERT_EQ(20u, tokens.size());
    EXPECT_EQ(L"t0", tokens.front());
    EXPECT_EQ(L"t19", tokens.back());
}

CommandSwitches Parse(std::vector<std::wstring> args)
{
    std::vector<wchar_t*> tokens;
    for (std::wstring& arg : args)
        tokens.push_back(&arg[0]);
    return ParseSwitches(tokens.data(), static_cast<int>(tokens.size()));
}

TEST(CommandLineTest, Switches)
{
    struct Case {
        std::vector<std::wstring> args;
        bool noClean, onlySend, haveArgument;
        std::wstring argument;
    } cases[] = {
        {{L"/noclean"}, false, false, false, L""}, // the first token is the program
        {{L"KVScan.exe", L"/noclean"}, true, false, false, L""},
        {{L"KVScan.exe", L"/NOCLEAN", L"/OnlySend"}, true, true, false, L""},
        {{L"KVScan.exe", L"/nocleanXYZ"}, true, false, false, L""}, // prefix match
        {{L"KVScan.exe", L"/noclea"}, false, false, true, L"/noclea"},
        {{L"KVScan.exe", L"/cfgfile:a.ini", L"/cfgfile:b.ini"}, false, false, true, L"/cfgfile:b.ini"},
        {{L"KVScan.exe", L"/bogus", L"/onlysend"}, false, true, true, L"/bogus"},
    };
    for (const Case& c : cases) {
        CommandSwitches s = Parse(c.args);
        EXPECT_EQ(c.noClean, s.noClean) << c.args.size();
        EXPECT_EQ(c.onlySend, s.onlySend);
        EXPECT_EQ(c.haveArgument, s.haveArgument);
        EXPECT_EQ(c.argument, s.argument);
    }
}

TEST(CommandLineTest, ConfigFileArgument)
{
    struct Case {
        const wchar_t* argument;
        bool accepted;
        const wchar_t* path;
    } cases[] = {
        {L"/cfgfile:audit.ini", true, L"audit.ini"},
        {L"/CFGFILE:C:\\a b\\audit.ini", true, L"C:\\a b\\audit.ini"},
        {L"/cfgfile: \t audit.ini\t  ", true, L"audit.ini"},
        {L"/cfgfile:", true, L""},
        {L"/cfgfil", false, L""},
        {L"cfgfile:audit.ini", false, L""},
        {L"/config:audit.ini", false, L""},
    };
    for (const Case& c : cases) {
        std::wstring path;
        EXPECT_EQ(c.accepted, ConfigFileArgument(c.argument, path)) << std::string(c.argument, c.argument + wcslen(c.argument));
        EXPECT_EQ(c.path, path);
    }
}

} // namespace

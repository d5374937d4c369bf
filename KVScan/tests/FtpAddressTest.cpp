#include "FtpAddress.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase {
    const wchar_t* text;
    int result;
    const wchar_t* host;
    unsigned port;
    const wchar_t* baseDir;
};

TEST(FtpAddress, ParsesTheTable)
{
    const AddressCase cases[] = {
        {L"ftp://files.example", 0, L"files.example", 21, L"/"},
        {L"ftp://files.example/", 0, L"files.example", 21, L"/"},
        {L"ftp://10.0.0.5:2121/audits", 0, L"10.0.0.5", 2121, L"/audits/"},
        {L"FTP://Host/a/b/", 0, L"Host", 21, L"/a/b/"},
        {L"Ftp://host:21", 0, L"host", 21, L"/"},
        {L"http://host/x", 1, L"", 21, L""},
        {L"ftp:/host", 1, L"", 21, L""},
        {L"ftp://", 1, L"", 21, L""},
        {L"ftp://:21/x", 1, L"", 21, L""},
        {L"ftp://host:/x", 1, L"", 21, L""},
        {L"ftp://host:2a/x", 1, L"", 21, L""},
        {L"ftp://host:70000", 1, L"", 21, L""},
        {L"", 1, L"", 21, L""},
    };
    for (const AddressCase& c : cases) {
        FtpAddress address;
        address.host = L"stale";
        EXPECT_EQ(c.result, ParseFtpAddress(c.text, address)) << c.text;
        if (c.result == 0) {
            EXPECT_EQ(c.host, address.host) << c.text;
            EXPECT_EQ(c.port, address.port) << c.text;
            EXPECT_EQ(c.baseDir, address.baseDir) << c.text;
        }
    }
}

TEST(FtpAddress, RunFolderFollowsTheBase)
{
    const wchar_t* id = L"{11111111-2222-3333-4444-555555555555}";
    FtpAddress address;
    ASSERT_EQ(0, ParseFtpAddress(L"ftp://h", address));
    EXPECT_EQ(std::wstring(L"/") + id, FtpRunFolder(address, id));
    ASSERT_EQ(0, ParseFtpAddress(L"ftp://h:2121/audits", address));
    EXPECT_EQ(std::wstring(L"/audits/") + id, FtpRunFolder(address, id));
}

} // namespace

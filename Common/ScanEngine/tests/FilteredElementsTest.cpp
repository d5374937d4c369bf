// "fSuspInfo.dat": golden bytes of the header and the records; a file created by one program and
// appended by a second one (this test program run again for one test, see AppendInChildProcess).

#include "FilteredElements.h"
#include "TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* const kGuid = "{11111111-2222-3333-4444-555555555555}";
const char* const kChildPathVariable = "KV_FSUSP_CHILD_PATH";

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

FilteredElement Sample()
{
    FilteredElement e;
    const uint8_t md5[16] = {0x00, 0x01, 0x00, 0xFF, 0, 0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x00};
    std::memcpy(e.md5, md5, 16);
    e.path = L"C:\\\u00e9";
    e.reference = "QUJD";
    e.wasRunning = 1;
    e.location = 1;
    e.hidden = 1;
    return e;
}

const std::string kHeader = std::string("KVFEINFO") + Bytes({1, 0, 0, 0}) + kGuid;

const std::string kSampleRecord =
    Bytes({0x00, 0x01, 0x00, 0xFF, 0, 0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x00}) + // digest, zeros kept
    Bytes({4, 0, 0, 0}) + Bytes({'C', 0, ':', 0, '\\', 0, 0xE9, 0}) +                              // N, UTF-16LE path
    Bytes({4, 0, 0, 0}) + "QUJD" +                                                                 // M, Base64 text
    Bytes({1, 0, 0, 0}) + Bytes({5, 0, 0, 0}) + Bytes({1, 0, 0, 0});                               // running, class 5, hidden

TEST(FilteredElementsBytes, HeaderAndRecordsAsLaidOut)
{
    EXPECT_EQ(FilteredHeaderBytes(kGuid), kHeader);
    EXPECT_EQ(FilteredHeaderBytes(kGuid).size(), kFilteredHeaderSize);
    // A shorter GUID text is zero-padded to 38 bytes.
    EXPECT_EQ(FilteredHeaderBytes("{x}"), std::string("KVFEINFO") + Bytes({1, 0, 0, 0}) + "{x}" + std::string(35, '\0'));
    EXPECT_EQ(FilteredRecordBytes(Sample()), kSampleRecord);

    FilteredElement empty;
    EXPECT_EQ(FilteredRecordBytes(empty), std::string(16, '\0') + Bytes({0, 0, 0, 0}) + Bytes({0, 0, 0, 0}) +
                                              Bytes({0, 0, 0, 0}) + Bytes({1, 0, 0, 0}) + Bytes({0, 0, 0, 0}));
    struct {
        uint32_t code, cls;
    } classes[] = {{0, 1}, {1, 5}, {2, 2}, {3, 3}, {4, 4}, {5, 1}, {11, 1}};
    for (const auto& c : classes)
        EXPECT_EQ(FilteredLocationClass(c.code), c.cls) << c.code;
}

// Runs only as the second program of AppendInChildProcess.
TEST(FilteredElementsChild, AppendOne)
{
    const char* path = getenv(kChildPathVariable);
    if (!path)
        GTEST_SKIP() << "run by AppendInChildProcess";
    std::wstring wide(path, path + strlen(path));
    FilteredElementsFile file;
    ASSERT_TRUE(file.OpenForAppend(wide, kGuid));
    file.Append(Sample());
    file.Close();
}

int RunChild(const std::wstring& path)
{
    std::string narrow(path.begin(), path.end());
    SetEnvironmentVariableA(kChildPathVariable, narrow.c_str());
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\" --gtest_filter=FilteredElementsChild.AppendOne";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kChildPathVariable, nullptr);
    if (!started)
        return -1;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

TEST(FilteredElementsFileTest, CreatedByOneProgramAppendedByAnother)
{
    std::wstring folder = TestFolder(L"fsusp");
    std::wstring path = folder + L"\\fSuspInfo.dat";
    FilteredElement first = Sample();
    first.path = L"";
    {
        FilteredElementsFile file;
        ASSERT_TRUE(file.Create(path, kGuid));
        file.Append(first);
    }
    ASSERT_EQ(RunChild(path), 0);
    EXPECT_EQ(ReadBytes(path), kHeader + FilteredRecordBytes(first) + kSampleRecord);

    // Creating again replaces the old file.
    {
        FilteredElementsFile file;
        ASSERT_TRUE(file.Create(path, kGuid));
    }
    EXPECT_EQ(ReadBytes(path), kHeader);

    // A second program that finds no file creates it with its header.
    std::wstring fresh = folder + L"\\new.dat";
    ASSERT_EQ(RunChild(fresh), 0);
    EXPECT_EQ(ReadBytes(fresh), kHeader + kSampleRecord);

    // A folder that does not exist: nothing is written, the next element tries again.
    FilteredElementsFile missing;
    EXPECT_FALSE(missing.Create(folder + L"\\no\\such\\fSuspInfo.dat", kGuid));
    missing.Append(Sample());
    EXPECT_FALSE(missing.isOpen());
    RemoveTree(folder);
}

} // namespace

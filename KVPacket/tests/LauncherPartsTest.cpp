#include "EntryName.h"
#include "Launcher.h"
#include "PacketAlerts.h"
#include "RunFiles.h"
#include "StartConfig.h"
#include "Strings.h"
#include "TestFiles.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <process.h>

#include <algorithm>
#include <vector>

namespace {

TEST(LauncherPartsTest, Options)
{
    const struct {
        const wchar_t* line;
        bool alerts, unpackOnly;
        const wchar_t* folder;
    } cases[] = {
        {L"KVPacket.exe", false, false, L""},
        {L"\"C:\\with blanks\\KVPacket.exe\" /alerts", true, false, L""},
        {L"KVPacket.exe /ALERTS /alertsX", false, false, L""},
        {L"KVPacket.exe /unpack:C:\\x", false, true, L"C:\\x"},
        {L"KVPacket.exe \"/unpack:C:\\a b\" /alerts", true, true, L"C:\\a b"},
        {L"KVPacket.exe /unpack:C:\\first /unpack:C:\\second", false, true, L"C:\\second"},
        {L"KVPacket.exe /UNPACK:C:\\x", false, false, L""},
        {L"KVPacket.exe /unpack:", false, true, L""},
    };
    for (const auto& c : cases) {
        LauncherOptions options = ParseLauncherOptions(c.line);
        EXPECT_EQ(options.alerts, c.alerts) << c.line;
        EXPECT_EQ(options.unpackOnly, c.unpackOnly) << c.line;
        EXPECT_EQ(options.unpackFolder, c.folder) << c.line;
    }
}

TEST(LauncherPartsTest, UnpackFolderMustNotBeARootOrSystemFolder)
{
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const struct {
        std::wstring folder;
        bool accepted;
    } cases[] = {
        {L"", false}, {L"C:", false}, {L"C:\\", false}, {L"d:/", false}, {windows, false},
        {std::wstring(system) + L"\\", false}, {L"C:\\x", true}, {L"C:\\Windows\\Temp\\KVScan", true},
        {L"\\\\server\\share\\audit", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AcceptableUnpackFolder(c.folder), c.accepted) << c.folder;
}

TEST(LauncherPartsTest, EntryNames)
{
    const struct {
        const wchar_t* name;
        bool safe;
    } cases[] = {
        {L"KVScan.exe", true}, {L"sub\\f.txt", true}, {L"sub/f.txt", true}, {L"a..b", true}, {L"..x", true},
        {L"", false}, {L"..", false}, {L"..\\x", false}, {L"x\\..", false}, {L"a/../../b", false},
        {L"\\x", false}, {L"/x", false}, {L"C:x", false}, {L"C:\\x", false}, {L"x:y", false},
        {L"\\\\server\\share\\x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsSafeRelativeName(c.name), c.safe) << c.name;
}

TEST(LauncherPartsTest, StringTableByLanguage)
{
    const struct {
        LANGID user;
        LANGID chosen;
        UINT id;
        const wchar_t* text;
    } cases[] = {
        {0x0409, 1033, IDS_CANNOT_RUN, L"Cannot run"},
        {0x0809, 1033, IDS_OK, L"OK"},
        {0x0407, 1033, IDS_ALREADY_RUNNING, L"The scanner  is already running on this computer."},
        {0x040C, 1036, IDS_CANNOT_RUN, L"Ex\u00e9cution impossible"},
        {0x080C, 1036, IDS_DISK_VALUE, L"Disque dur : %d Mo"},
        {0x0C0A, 3082, IDS_OK, L"Aceptar"},
        {0x040A, 3082, IDS_ALREADY_RUNNING_DETAIL,
         L"No se ha podido lanzar el esc\u00e1ner porque ya se est\u00e1 ejecutando en este equipo."},
        {0x080A, 3082, IDS_PROCESSOR_MINIMUM, L"486 a %d MHz (o superior)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PacketLanguage(c.user), c.chosen) << c.user;
        EXPECT_EQ(PacketString(GetModuleHandleW(nullptr), c.id, PacketLanguage(c.user)), c.text) << c.user;
    }
    for (LANGID language : {1033, 1036, 3082})
        for (UINT id = IDS_CANNOT_RUN; id <= IDS_ALREADY_RUNNING_DETAIL; ++id)
            EXPECT_FALSE(PacketString(GetModuleHandleW(nullptr), id, language).empty()) << language << " " << id;
}

TEST(LauncherPartsTest, CleanUpRemovesOnlyWhatTheRunWrote)
{
    std::wstring test = TestFolder(L"cleanup");
    WriteBytes(test + L"\\before.txt", "was there");
    RunFiles written;
    ASSERT_TRUE(written.CreateFolders(test + L"\\new\\deeper"));
    WriteBytes(test + L"\\new\\deeper\\ours.txt", "ours");
    written.AddFile(test + L"\\new\\deeper\\ours.txt");
    WriteBytes(test + L"\\ours.txt", "ours");
    written.AddFile(test + L"\\ours.txt");
    CreateDirectoryW((test + L"\\kept").c_str(), nullptr);
    written.RemoveAll();
    EXPECT_EQ(ReadBytes(test + L"\\before.txt"), "was there");
    EXPECT_NE(GetFileAttributesW((test + L"\\kept").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((test + L"\\ours.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((test + L"\\new").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(test.c_str()), INVALID_FILE_ATTRIBUTES) << "the run did not make it";
    RemoveTree(test);
}

TEST(LauncherPartsTest, ProgramToStartFallsBackToTheScanner)
{
    std::wstring test = TestFolder(L"program");
    WriteBytes(test + L"\\probe.exe", "MZ");
    CreateDirectoryW((test + L"\\dir.exe").c_str(), nullptr);
    const struct {
        const wchar_t* mainProcess;
        const wchar_t* program;
    } cases[] = {
        {L"", L"KVScan.exe"},          {L"probe.exe", L"probe.exe"}, {L"PROBE.EXE", L"PROBE.EXE"},
        {L"absent.exe", L"KVScan.exe"}, {L"dir.exe", L"KVScan.exe"},   {L"..\\probe.exe", L"KVScan.exe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgramToStart(test, c.mainProcess), test + L"\\" + c.program) << c.mainProcess;
    RemoveTree(test);
}

BOOL CALLBACK CollectText(HWND child, LPARAM param)
{
    wchar_t text[512] = {};
    GetWindowTextW(child, text, 511);
    reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(text);
    return TRUE;
}

unsigned __stdcall AlreadyRunningThread(void*)
{
    ShowAlreadyRunning();
    return 0;
}

// The dialog runs modally in a thread of its own; the test reads its texts and presses its button.
TEST(LauncherPartsTest, AlreadyRunningDialogShowsTheStringTableTexts)
{
    HMODULE self = GetModuleHandleW(nullptr);
    LANGID language = CurrentPacketLanguage();
    std::wstring caption = PacketString(self, IDS_CANNOT_RUN, language);
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, AlreadyRunningThread, nullptr, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    HWND dialog = nullptr; // found once its last control, the button, exists
    for (int i = 0; i < 200 && !(dialog && GetDlgItem(dialog, IDOK)); ++i) {
        dialog = FindWindowW(nullptr, caption.c_str());
        Sleep(25);
    }
    ASSERT_NE(dialog, nullptr);
    std::vector<std::wstring> texts;
    EnumChildWindows(dialog, CollectText, reinterpret_cast<LPARAM>(&texts));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    for (UINT id : {IDS_ALREADY_RUNNING, IDS_ALREADY_RUNNING_DETAIL, IDS_OK}) {
        std::wstring text = PacketString(self, id, language);
        EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << id;
    }
}

} // namespace

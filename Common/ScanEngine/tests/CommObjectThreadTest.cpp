// The communications thread as a scan drives it: three manual-reset events, the object created on the
// host thread and taken with GetComm on the test's thread, the libraries registered on demand and
// unregistered only when the thread registered them. Assertions read the journals and the registry.

#include "CommObjectThread.h"

#include "CommObject.h"
#include "ProgramFolder.h"
#include "TestLog.h"
#include "zocomm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace commtest;

namespace {

constexpr DWORD kWaitMs = 10000;

// One run of the thread, the way the scan starts and ends it.
class HostRun {
public:
    explicit HostRun(const ProxyRecord* proxy = nullptr)
    {
        args.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        args.stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        args.done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        args.programFolder = ProgramFolder();
        if (proxy) {
            args.withProxy = true;
            args.proxy = *proxy;
        }
        thread_ = StartCommObjectThread(args);
    }
    ~HostRun()
    {
        Finish();
        CloseHandle(thread_);
        CloseHandle(args.ready);
        CloseHandle(args.stop);
        CloseHandle(args.done);
    }
    bool WaitReady() { return thread_ && WaitForSingleObject(args.ready, kWaitMs) == WAIT_OBJECT_0; }
    // Signals the end and waits for the third event and the thread itself.
    bool Finish()
    {
        SetEvent(args.stop);
        return thread_ && WaitForSingleObject(args.done, kWaitMs) == WAIT_OBJECT_0 &&
               WaitForSingleObject(thread_, kWaitMs) == WAIT_OBJECT_0;
    }
    unsigned long ThreadId() const { return GetThreadId(thread_); }

    CommObjectThreadArgs args;

private:
    HANDLE thread_ = nullptr;
};

const wchar_t* const kKeys[] = {COMM_OBJECT_CLSID_KEY, ZOCOMM_MARKER_KEY};
const wchar_t* const kJournals[] = {COMM_OBJECT_JOURNAL_FILE, ZOCOMM_JOURNAL_FILE};

class CommObjectThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveRegistrations();
        ResetFiles();
    }
    void TearDown() override
    {
        CoFreeUnusedLibrariesEx(0, 0);
        CoUninitialize();
        RemoveRegistrations();
    }
    void SetUpCom() { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
};

// Uses the object on the calling thread: one Check, then the pointer is released.
HRESULT UseOnThisThread(HostRun& run)
{
    auto* object = reinterpret_cast<ICommObject*>(run.args.autoCom.GetComm());
    if (!object)
        return E_POINTER;
    LONG verdict = -1;
    BSTR item = SysAllocString(L"from-scan-thread");
    HRESULT hr = object->Check(item, &verdict);
    SysFreeString(item);
    object->Release();
    return hr;
}

TEST_F(CommObjectThreadTest, NotRegisteredRegistersBothServesAnotherThreadThenUnregistersBoth)
{
    SetUpCom();
    TestLog log;
    HostRun run;
    ASSERT_TRUE(run.WaitReady());
    EXPECT_EQ(run.args.createResult, 0);
    for (const wchar_t* key : kKeys)
        EXPECT_TRUE(KeyExists(key)) << Utf8(key);
    EXPECT_EQ(ReadText(COMM_OBJECT_SERVER_KEY, nullptr), InFolder(L"libvorn.dll"));
    EXPECT_EQ(UseOnThisThread(run), S_OK);
    ASSERT_TRUE(run.Finish());

    for (const wchar_t* key : kKeys)
        EXPECT_FALSE(KeyExists(key)) << Utf8(key);
    for (const wchar_t* journalFile : kJournals) {
        std::vector<JournalLine> journal = ReadJournal(journalFile);
        ASSERT_EQ(Calls(journal, "DllRegisterServer").size(), 1u) << Utf8(journalFile);
        ASSERT_EQ(Calls(journal, "DllUnregisterServer").size(), 1u) << Utf8(journalFile);
        EXPECT_EQ(Calls(journal, "DllRegisterServer")[0].tid, run.ThreadId());
        EXPECT_EQ(Calls(journal, "DllUnregisterServer")[0].tid, run.ThreadId());
    }
    std::vector<JournalLine> journal = ReadJournal(COMM_OBJECT_JOURNAL_FILE);
    ASSERT_EQ(Calls(journal, "CreateInstance").size(), 1u);
    EXPECT_EQ(Calls(journal, "CreateInstance")[0].tid, run.ThreadId());
    ASSERT_EQ(Calls(journal, "SetOpenType").size(), 1u);
    EXPECT_EQ(Calls(journal, "SetOpenType")[0].tid, run.ThreadId());
    EXPECT_EQ(Calls(journal, "SetOpenType")[0].fields["value"], "1");
    ASSERT_EQ(Calls(journal, "Check").size(), 1u);
    EXPECT_EQ(Calls(journal, "Check")[0].tid, GetCurrentThreadId());
    EXPECT_NE(Calls(journal, "Check")[0].tid, run.ThreadId());
    EXPECT_EQ(Calls(journal, "ObjectDestroyed").size(), 1u);

    std::vector<std::string> unregistering;
    for (const std::string& line : log.Messages("CommObjectThread.cpp"))
        if (line.rfind("   Unregistering lib ", 0) == 0)
            unregistering.push_back(line);
    EXPECT_EQ(unregistering, (std::vector<std::string>{"   Unregistering lib " + Utf8(InFolder(L"libvorn.dll")) + "...",
                                                       "   Unregistering lib " + Utf8(InFolder(L"zocomm.dll")) + "..."}));
}

TEST_F(CommObjectThreadTest, AlreadyRegisteredLibrariesStayRegistered)
{
    SetUpCom();
    ASSERT_EQ(CallRegistrationExport(L"libvorn.dll", "DllRegisterServer"), S_OK);
    ASSERT_EQ(CallRegistrationExport(L"zocomm.dll", "DllRegisterServer"), S_OK);
    ResetFiles();
    ProxyRecord proxy{};
    proxy.size = kProxyRecordSize;
    wcscpy(proxy.server, L"proxy.example");
    proxy.port = 8080;
    HostRun run(&proxy);
    ASSERT_TRUE(run.WaitReady());
    EXPECT_EQ(run.args.createResult, 0);
    EXPECT_EQ(UseOnThisThread(run), S_OK);
    ASSERT_TRUE(run.Finish());

    for (const wchar_t* key : kKeys)
        EXPECT_TRUE(KeyExists(key)) << Utf8(key);
    EXPECT_TRUE(ReadJournal(ZOCOMM_JOURNAL_FILE).empty());
    std::vector<JournalLine> journal = ReadJournal(COMM_OBJECT_JOURNAL_FILE);
    EXPECT_TRUE(Calls(journal, "DllRegisterServer").empty());
    EXPECT_TRUE(Calls(journal, "DllUnregisterServer").empty());
    ASSERT_EQ(Calls(journal, "Check").size(), 1u);
    EXPECT_EQ(Calls(journal, "Check")[0].fields["proxy"], "proxy.example:8080");
    EXPECT_EQ(Calls(journal, "ObjectDestroyed").size(), 1u);
}

// zocomm refuses to register: no object, and only what was registered here (libvorn) is undone.
TEST_F(CommObjectThreadTest, FailedRegistrationLeavesNoObjectAndUndoesOnlyItsOwn)
{
    SetUpCom();
    WriteScenario(ZOCOMM_SCENARIO_FILE, "[Fail]\r\nDllRegisterServer=0x80070005\r\n");
    HostRun run;
    ASSERT_TRUE(run.WaitReady());
    EXPECT_EQ(static_cast<unsigned>(run.args.createResult), 0x80040154u);
    EXPECT_EQ(run.args.autoCom.GetComm(), nullptr);
    ASSERT_TRUE(run.Finish());

    for (const wchar_t* key : kKeys)
        EXPECT_FALSE(KeyExists(key)) << Utf8(key);
    std::vector<JournalLine> zocomm = ReadJournal(ZOCOMM_JOURNAL_FILE);
    ASSERT_EQ(Calls(zocomm, "DllRegisterServer").size(), 1u);
    EXPECT_TRUE(Calls(zocomm, "DllRegisterServer")[0].injected);
    EXPECT_TRUE(Calls(zocomm, "DllUnregisterServer").empty());
    std::vector<JournalLine> libvorn = ReadJournal(COMM_OBJECT_JOURNAL_FILE);
    EXPECT_EQ(Calls(libvorn, "DllRegisterServer").size(), 1u);
    EXPECT_EQ(Calls(libvorn, "DllUnregisterServer").size(), 1u);
    EXPECT_TRUE(Calls(libvorn, "CreateInstance").empty());
}

// The object was made but the scan never took it: ending the thread still destroys it.
TEST_F(CommObjectThreadTest, ObjectNobodyTookIsDestroyedAtTheEnd)
{
    ASSERT_EQ(CallRegistrationExport(L"libvorn.dll", "DllRegisterServer"), S_OK);
    ASSERT_EQ(CallRegistrationExport(L"zocomm.dll", "DllRegisterServer"), S_OK);
    SetUpCom();
    ResetFiles();
    {
        HostRun run;
        ASSERT_TRUE(run.WaitReady());
        EXPECT_EQ(run.args.createResult, 0);
    } // the destructor signals the end
    std::vector<JournalLine> journal = ReadJournal(COMM_OBJECT_JOURNAL_FILE);
    EXPECT_EQ(Calls(journal, "CreateInstance").size(), 1u);
    EXPECT_EQ(Calls(journal, "ObjectDestroyed").size(), 1u);
}

} // namespace

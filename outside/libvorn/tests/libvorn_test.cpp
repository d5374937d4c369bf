// The communications object used the way the client uses it: created on a host thread of its own (an STA
// pumping messages), configured through settings slots 12 to 16 called by index, its main interface
// marshalled to another thread and called there. Every assertion on the object's side reads its journal.

#include "ProgramFolder.h"

#include "CommObject.h"

#include <gtest/gtest.h>

#include <process.h>

#include <vector>

using namespace commtest;

namespace {

struct SlotCall {
    int slot;
    const wchar_t* text; // null: the LONG form
    LONG number;
};

// Creates the object on a thread of its own, applies the slot calls, marshals the main interface into a
// stream and serves messages until Finish().
class HostThread {
public:
    explicit HostThread(std::vector<SlotCall> calls) : calls_(std::move(calls))
    {
        ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &HostThread::Run, this, 0, &tid_));
    }
    ~HostThread()
    {
        Finish();
        CloseHandle(thread_);
        CloseHandle(ready_);
        CloseHandle(done_);
    }
    bool WaitReady() { return WaitForSingleObject(ready_, 10000) == WAIT_OBJECT_0; }
    void Finish()
    {
        SetEvent(done_);
        WaitForSingleObject(thread_, 10000);
    }
    // The main interface for the calling thread (consumes the stream).
    ICommObject* Unmarshal()
    {
        ICommObject* object = nullptr;
        unmarshalled = CoGetInterfaceAndReleaseStream(stream, IID_ICommObject, reinterpret_cast<void**>(&object));
        stream = nullptr;
        return SUCCEEDED(unmarshalled) ? object : nullptr;
    }

    HRESULT created = E_FAIL;
    HRESULT marshalled = E_FAIL;
    HRESULT unmarshalled = E_FAIL;
    std::vector<HRESULT> results;
    IStream* stream = nullptr;
    unsigned tid_ = 0;

private:
    static unsigned __stdcall Run(void* self) { return static_cast<HostThread*>(self)->Host(); }
    unsigned Host()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        IUnknown* main = nullptr;
        created = CoCreateInstance(CLSID_CommObject, nullptr, CLSCTX_INPROC_SERVER, IID_ICommObject,
                                   reinterpret_cast<void**>(&main));
        if (SUCCEEDED(created)) {
            IUnknown* settings = nullptr; // known by its identifier and slot numbers only
            if (SUCCEEDED(main->QueryInterface(IID_ICommSettings, reinterpret_cast<void**>(&settings)))) {
                for (const SlotCall& call : calls_)
                    results.push_back(CallSlot(settings, call.slot, call.text, call.number));
                settings->Release();
            }
            marshalled = CoMarshalInterThreadInterfaceInStream(IID_ICommObject, main, &stream);
            main->Release();
        }
        SetEvent(ready_);
        while (MsgWaitForMultipleObjects(1, &done_, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        CoUninitialize();
        return 0;
    }

    std::vector<SlotCall> calls_;
    HANDLE ready_ = nullptr;
    HANDLE done_ = nullptr;
    HANDLE thread_ = nullptr;
};

struct Connection {
    LONG openType = -1;
    std::wstring server;
    LONG port = -1;
    std::wstring user;
};

Connection ConnectionOf(ICommObject* object)
{
    Connection c;
    BSTR server = nullptr;
    BSTR user = nullptr;
    EXPECT_EQ(object->GetConnection(&c.openType, &server, &c.port, &user), S_OK);
    c.server = server ? server : L"";
    c.user = user ? user : L"";
    SysFreeString(server);
    SysFreeString(user);
    return c;
}

HRESULT CheckItem(ICommObject* object, const wchar_t* item, LONG* verdict)
{
    BSTR text = SysAllocString(item);
    HRESULT hr = object->Check(text, verdict);
    SysFreeString(text);
    return hr;
}

class CommObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveRegistrations();
        ResetFiles();
        ASSERT_EQ(CallRegistrationExport(L"libvorn.dll", "DllRegisterServer"), S_OK);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    }
    void TearDown() override
    {
        CoUninitialize();
        RemoveRegistrations();
    }
};

TEST_F(CommObjectTest, DirectModeSetOnHostThreadServesChecksOnAnotherThread)
{
    WriteScenario(COMM_OBJECT_SCENARIO_FILE, "[Check]\r\nEICAR-Test-File=2\r\n");
    HostThread host({{kSlotSetOpenType, nullptr, kCommOpenDirect}});
    ASSERT_TRUE(host.WaitReady());
    ASSERT_EQ(host.created, S_OK);
    EXPECT_EQ(host.results, std::vector<HRESULT>{S_OK});
    ASSERT_EQ(host.marshalled, S_OK);

    ICommObject* object = host.Unmarshal();
    ASSERT_NE(object, nullptr) << std::hex << host.unmarshalled;
    LONG verdict = -1;
    EXPECT_EQ(CheckItem(object, L"EICAR-Test-File", &verdict), S_OK);
    EXPECT_EQ(verdict, 2);
    EXPECT_EQ(CheckItem(object, L"clean.exe", &verdict), S_OK);
    EXPECT_EQ(verdict, 0);
    EXPECT_EQ(ConnectionOf(object).openType, kCommOpenDirect);
    object->Release();
    host.Finish();

    std::vector<JournalLine> journal = ReadJournal(COMM_OBJECT_JOURNAL_FILE);
    std::vector<JournalLine> creates = Calls(journal, "CreateInstance");
    std::vector<JournalLine> opens = Calls(journal, "SetOpenType");
    std::vector<JournalLine> checks = Calls(journal, "Check");
    ASSERT_EQ(creates.size(), 1u);
    ASSERT_EQ(opens.size(), 1u);
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(creates[0].tid, host.tid_);
    EXPECT_EQ(opens[0].tid, host.tid_);
    EXPECT_EQ(opens[0].fields["value"], "1");
    for (JournalLine& check : checks) {
        EXPECT_EQ(check.tid, GetCurrentThreadId());
        EXPECT_EQ(check.pid, GetCurrentProcessId());
        EXPECT_EQ(check.fields["openType"], "1");
        EXPECT_EQ(check.fields.count("proxy"), 0u);
    }
    EXPECT_EQ(checks[0].fields["item"], "EICAR-Test-File");
    EXPECT_EQ(checks[0].fields["verdict"], "2");
    EXPECT_EQ(checks[1].fields["verdict"], "0");
    EXPECT_EQ(Calls(journal, "ObjectDestroyed").size(), 1u);
}

// A thread of the multithreaded apartment that unmarshals the main interface and calls Check once.
struct MtaCaller {
    HostThread* host;
    HRESULT init = E_FAIL;
    HRESULT check = E_FAIL;
    LONG verdict = -1;
    unsigned tid = 0;

    static unsigned __stdcall Run(void* arg)
    {
        auto* c = static_cast<MtaCaller*>(arg);
        c->init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (ICommObject* object = c->host->Unmarshal()) {
            c->check = CheckItem(object, L"from-mta", &c->verdict);
            object->Release();
        }
        CoUninitialize();
        return 0;
    }
};

// The engine may call from a multithreaded apartment: the marshalled pointer works there too.
TEST_F(CommObjectTest, MainInterfaceServesAThreadOfTheMultithreadedApartment)
{
    HostThread host({{kSlotSetOpenType, nullptr, kCommOpenDirect}});
    ASSERT_TRUE(host.WaitReady());
    ASSERT_EQ(host.marshalled, S_OK);
    MtaCaller caller{&host};
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &MtaCaller::Run, &caller, 0, &caller.tid));
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    host.Finish();
    EXPECT_EQ(caller.init, S_OK);
    EXPECT_EQ(host.unmarshalled, S_OK);
    EXPECT_EQ(caller.check, S_OK);

    std::vector<JournalLine> journal = ReadJournal(COMM_OBJECT_JOURNAL_FILE);
    std::vector<JournalLine> checks = Calls(journal, "Check");
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].tid, caller.tid);
    EXPECT_EQ(checks[0].fields["item"], "from-mta");
    EXPECT_EQ(Calls(journal, "ObjectDestroyed").size(), 1u);
}

struct ProxyCase {
    const char* name;
    const wchar_t* server;
    LONG port;
    const wchar_t* user;
    const wchar_t* password;
};

class ProxyMode : public CommObjectTest, public ::testing::WithParamInterface<ProxyCase> {};

TEST_P(ProxyMode, SlotValuesReachTheObjectAndAreJournaled)
{
    const ProxyCase& p = GetParam();
    HostThread host({{kSlotSetOpenType, nullptr, kCommOpenProxy},
                     {kSlotSetProxyServer, p.server, 0},
                     {kSlotSetProxyPort, nullptr, p.port},
                     {kSlotSetProxyUser, p.user, 0},
                     {kSlotSetProxyPassword, p.password, 0}});
    ASSERT_TRUE(host.WaitReady());
    ASSERT_EQ(host.created, S_OK);
    EXPECT_EQ(host.results, std::vector<HRESULT>(5, S_OK));
    ICommObject* object = host.Unmarshal();
    ASSERT_NE(object, nullptr) << std::hex << host.unmarshalled;

    Connection c = ConnectionOf(object);
    EXPECT_EQ(c.openType, kCommOpenProxy);
    EXPECT_EQ(c.server, p.server);
    EXPECT_EQ(c.port, p.port);
    EXPECT_EQ(c.user, p.user);
    ICommSettings* settings = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_ICommSettings, reinterpret_cast<void**>(&settings)), S_OK);
    VARIANT_BOOL has = VARIANT_FALSE;
    EXPECT_EQ(settings->HasProxyPassword(&has), S_OK);
    EXPECT_EQ(has, VARIANT_TRUE);
    settings->Release();
    LONG verdict = -1;
    EXPECT_EQ(CheckItem(object, L"item", &verdict), S_OK);
    object->Release();
    host.Finish();

    std::vector<JournalLine> journal = ReadJournal(COMM_OBJECT_JOURNAL_FILE);
    const struct {
        const char* call;
        std::string value;
    } expected[] = {
        {"SetOpenType", "3"},
        {"SetProxyServer", Utf8(p.server)},
        {"SetProxyPort", std::to_string(p.port)},
        {"SetProxyUser", Utf8(p.user)},
        {"SetProxyPassword", Utf8(p.password)},
    };
    for (const auto& e : expected) {
        std::vector<JournalLine> lines = Calls(journal, e.call);
        ASSERT_EQ(lines.size(), 1u) << e.call;
        EXPECT_EQ(lines[0].tid, host.tid_) << e.call;
        EXPECT_EQ(lines[0].fields["value"], e.value) << e.call;
        EXPECT_EQ(lines[0].result, 0u) << e.call;
    }
    std::vector<JournalLine> checks = Calls(journal, "Check");
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].tid, GetCurrentThreadId());
    EXPECT_EQ(checks[0].fields["proxy"], Utf8(p.server) + ":" + std::to_string(p.port));
    EXPECT_EQ(checks[0].fields["proxyUser"], Utf8(p.user));
}

INSTANTIATE_TEST_SUITE_P(
    Proxies, ProxyMode,
    ::testing::Values(ProxyCase{"Plain", L"proxy.corp.example", 8080, L"CORP\\auditor", L"s3cret"},
                      // Quotes, separators and non-ASCII text survive the journal's escaping.
                      ProxyCase{"Escaped", L"pr\u00f4xy.example", 3128, L"jos\u00e9 \"q\"", L"p w=d;\\x\r\n"}),
    [](const ::testing::TestParamInfo<ProxyCase>& info) { return std::string(info.param.name); });

struct SetterFault {
    const char* name;
    int slot;
    const char* scenario;
    HRESULT hr;
};

class SetterFaults : public CommObjectTest, public ::testing::WithParamInterface<SetterFault> {};

TEST_P(SetterFaults, InjectedResultReturnedAndValueNotTaken)
{
    const SetterFault& f = GetParam();
    WriteScenario(COMM_OBJECT_SCENARIO_FILE, std::string("[Fail]\r\n") + f.scenario + "\r\n");
    const SlotCall calls[] = {{kSlotSetOpenType, nullptr, kCommOpenProxy},
                              {kSlotSetProxyServer, L"proxy.example", 0},
                              {kSlotSetProxyPort, nullptr, 8080},
                              {kSlotSetProxyUser, L"user", 0}};
    HostThread host(std::vector<SlotCall>(std::begin(calls), std::end(calls)));
    ASSERT_TRUE(host.WaitReady());
    ASSERT_EQ(host.created, S_OK);
    ASSERT_EQ(host.results.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(host.results[i], calls[i].slot == f.slot ? f.hr : S_OK) << "slot " << calls[i].slot;
    ICommObject* object = host.Unmarshal();
    ASSERT_NE(object, nullptr);
    Connection c = ConnectionOf(object);
    object->Release();
    host.Finish();

    EXPECT_EQ(c.openType, f.slot == kSlotSetOpenType ? kCommOpenPreconfig : kCommOpenProxy);
    EXPECT_EQ(c.server, f.slot == kSlotSetProxyServer ? L"" : L"proxy.example");
    EXPECT_EQ(c.port, f.slot == kSlotSetProxyPort ? 0 : 8080);
    EXPECT_EQ(c.user, f.slot == kSlotSetProxyUser ? L"" : L"user");
    int injected = 0;
    for (const JournalLine& line : ReadJournal(COMM_OBJECT_JOURNAL_FILE)) {
        if (!line.injected)
            continue;
        ++injected;
        EXPECT_EQ(line.result, static_cast<unsigned long>(f.hr));
        EXPECT_EQ(line.tid, host.tid_);
    }
    EXPECT_EQ(injected, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, SetterFaults,
    ::testing::Values(SetterFault{"OpenType", kSlotSetOpenType, "SetOpenType=0x80004005", E_FAIL},
                      SetterFault{"Server", kSlotSetProxyServer, "SetProxyServer=0x8007000E", E_OUTOFMEMORY},
                      SetterFault{"Port", kSlotSetProxyPort, "SetProxyPort=-2147024809", E_INVALIDARG},
                      SetterFault{"User", kSlotSetProxyUser, "SetProxyUser=0x80070005", E_ACCESSDENIED}),
    [](const ::testing::TestParamInfo<SetterFault>& info) { return std::string(info.param.name); });

TEST_F(CommObjectTest, OutOfRangeSettingsAreRefused)
{
    const SlotCall calls[] = {{kSlotSetProxyPort, nullptr, 3128}, {kSlotSetProxyPort, nullptr, -1},
                              {kSlotSetProxyPort, nullptr, 65536}, {kSlotSetOpenType, nullptr, kCommOpenDirect},
                              {kSlotSetOpenType, nullptr, 2}, {kSlotSetOpenType, nullptr, 5}};
    HostThread host(std::vector<SlotCall>(std::begin(calls), std::end(calls)));
    ASSERT_TRUE(host.WaitReady());
    EXPECT_EQ(host.results, (std::vector<HRESULT>{S_OK, E_INVALIDARG, E_INVALIDARG, S_OK, E_INVALIDARG,
                                                   E_INVALIDARG}));
    ICommObject* object = host.Unmarshal();
    ASSERT_NE(object, nullptr);
    Connection c = ConnectionOf(object);
    object->Release();
    host.Finish();
    EXPECT_EQ(c.port, 3128);
    EXPECT_EQ(c.openType, kCommOpenDirect);
}

struct CreationFault {
    const char* name;
    const char* scenario;
    HRESULT hr;
};

class CreationFaults : public CommObjectTest, public ::testing::WithParamInterface<CreationFault> {};

TEST_P(CreationFaults, CoCreateInstanceReturnsTheInjectedResult)
{
    const CreationFault& f = GetParam();
    WriteScenario(COMM_OBJECT_SCENARIO_FILE, std::string("[Fail]\r\n") + f.scenario + "\r\n");
    IUnknown* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_CommObject, nullptr, CLSCTX_INPROC_SERVER, IID_ICommObject,
                               reinterpret_cast<void**>(&object)),
              f.hr);
    EXPECT_EQ(object, nullptr);
    std::vector<JournalLine> journal = ReadJournal(COMM_OBJECT_JOURNAL_FILE);
    ASSERT_FALSE(journal.empty());
    EXPECT_TRUE(journal.back().injected);
    EXPECT_EQ(journal.back().result, static_cast<unsigned long>(f.hr));
    EXPECT_TRUE(Calls(journal, "ObjectDestroyed").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Creation, CreationFaults,
    ::testing::Values(CreationFault{"ClassObject", "DllGetClassObject=0x80040111", CLASS_E_CLASSNOTAVAILABLE},
                      CreationFault{"Instance", "CreateInstance=0x8007000E", E_OUTOFMEMORY}),
    [](const ::testing::TestParamInfo<CreationFault>& info) { return std::string(info.param.name); });

TEST_F(CommObjectTest, CheckFailsWithoutProxyServerOrWhenInjected)
{
    HostThread host({{kSlotSetOpenType, nullptr, kCommOpenProxy}});
    ASSERT_TRUE(host.WaitReady());
    ICommObject* object = host.Unmarshal();
    ASSERT_NE(object, nullptr);
    LONG verdict = -1;
    EXPECT_EQ(CheckItem(object, L"item", &verdict), HRESULT_FROM_WIN32(12007)); // name not resolved
    ICommSettings* settings = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_ICommSettings, reinterpret_cast<void**>(&settings)), S_OK);
    BSTR server = SysAllocString(L"proxy.example");
    EXPECT_EQ(settings->SetProxyServer(server), S_OK);
    SysFreeString(server);
    settings->Release();
    WriteScenario(COMM_OBJECT_SCENARIO_FILE, "[Fail]\r\nCheck=0x80072EFD\r\n[Check]\r\nDefault=7\r\n");
    EXPECT_EQ(CheckItem(object, L"item", &verdict), static_cast<HRESULT>(0x80072EFD));
    WriteScenario(COMM_OBJECT_SCENARIO_FILE, "[Check]\r\nDefault=7   ; any other item\r\n");
    EXPECT_EQ(CheckItem(object, L"item", &verdict), S_OK);
    EXPECT_EQ(verdict, 7);
    LONG count = -1;
    EXPECT_EQ(object->GetCheckCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    object->Release();
    host.Finish();

    std::vector<JournalLine> checks = Calls(ReadJournal(COMM_OBJECT_JOURNAL_FILE), "Check");
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(checks[0].result, 0x80072EE7u);
    EXPECT_FALSE(checks[0].injected);
    EXPECT_TRUE(checks[1].injected);
    EXPECT_EQ(checks[2].fields["verdict"], "7");
}

TEST_F(CommObjectTest, CanUnloadOnlyWithoutObjectsOrFactories)
{
    HMODULE module = LoadLibraryExW(InFolder(L"libvorn.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(module, nullptr);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    auto getClassObject =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    auto canUnloadNow =
        reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_TRUE(getClassObject && canUnloadNow);

    EXPECT_EQ(canUnloadNow(), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(CLSID_CommObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IUnknown* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ICommObject, reinterpret_cast<void**>(&object)), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    factory->Release();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    object->Release();
    EXPECT_EQ(canUnloadNow(), S_OK);
    EXPECT_EQ(getClassObject(IID_ICommObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              CLASS_E_CLASSNOTAVAILABLE);
    FreeLibrary(module);
}

} // namespace

// Self-registration of the two communications stand-ins from a program-folder copy, as the client does it.

#include "ProgramFolder.h"

#include "CommObject.h"
#include "zocomm.h"

#include <gtest/gtest.h>

using namespace commtest;

namespace {

struct Library {
    const wchar_t* dll;
    const wchar_t* journal;
    const wchar_t* scenario;
    const wchar_t* key;       // the key DllRegisterServer creates
    const wchar_t* pathKey;   // the key holding the DLL's path
    const wchar_t* pathValue; // null: default value
};

const Library kLibraries[] = {
    {L"libvorn.dll", COMM_OBJECT_JOURNAL_FILE, COMM_OBJECT_SCENARIO_FILE, COMM_OBJECT_CLSID_KEY,
     COMM_OBJECT_SERVER_KEY, nullptr},
    {L"zocomm.dll", ZOCOMM_JOURNAL_FILE, ZOCOMM_SCENARIO_FILE, ZOCOMM_MARKER_KEY, ZOCOMM_MARKER_KEY,
     ZOCOMM_PATH_VALUE},
};

class Registration : public ::testing::TestWithParam<Library> {
protected:
    void SetUp() override
    {
        RemoveRegistrations();
        ResetFiles();
    }
    void TearDown() override { RemoveRegistrations(); }
};

TEST_P(Registration, RegistersItsPathAndUnregistersCompletely)
{
    const Library& lib = GetParam();
    ASSERT_FALSE(KeyExists(lib.key));

    EXPECT_EQ(CallRegistrationExport(lib.dll, "DllRegisterServer"), S_OK);
    EXPECT_EQ(ReadText(lib.pathKey, lib.pathValue), InFolder(lib.dll));
    std::vector<JournalLine> journal = ReadJournal(lib.journal);
    ASSERT_EQ(Calls(journal, "DllRegisterServer").size(), 1u);
    EXPECT_EQ(Calls(journal, "DllRegisterServer")[0].fields["path"], Utf8(InFolder(lib.dll)));
    EXPECT_EQ(Calls(journal, "DllRegisterServer")[0].result, 0u);
    EXPECT_EQ(Calls(journal, "DllRegisterServer")[0].tid, GetCurrentThreadId());
    EXPECT_NE(JournalHeading(lib.journal).find("TEST DATA"), std::string::npos);

    EXPECT_EQ(CallRegistrationExport(lib.dll, "DllUnregisterServer"), S_OK);
    EXPECT_FALSE(KeyExists(lib.key));
    journal = ReadJournal(lib.journal);
    ASSERT_EQ(Calls(journal, "DllUnregisterServer").size(), 1u);
    EXPECT_EQ(Calls(journal, "DllUnregisterServer")[0].fields.count("absent"), 0u);
}

TEST_P(Registration, InjectedFailuresSurfaceAndChangeNothing)
{
    const Library& lib = GetParam();
    WriteScenario(lib.scenario, "[Fail]\r\nDllRegisterServer=0x80070005\r\n");
    EXPECT_EQ(CallRegistrationExport(lib.dll, "DllRegisterServer"), static_cast<HRESULT>(0x80070005));
    EXPECT_FALSE(KeyExists(lib.key));

    WriteScenario(lib.scenario, "[Fail]\r\nDllUnregisterServer=0x8000FFFF\r\n");
    EXPECT_EQ(CallRegistrationExport(lib.dll, "DllRegisterServer"), S_OK);
    EXPECT_EQ(CallRegistrationExport(lib.dll, "DllUnregisterServer"), static_cast<HRESULT>(0x8000FFFF));
    EXPECT_TRUE(KeyExists(lib.key));

    std::vector<JournalLine> journal = ReadJournal(lib.journal);
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[0].call, "DllRegisterServer");
    EXPECT_TRUE(journal[0].injected);
    EXPECT_EQ(journal[0].result, 0x80070005u);
    EXPECT_FALSE(journal[1].injected);
    EXPECT_EQ(journal[2].call, "DllUnregisterServer");
    EXPECT_TRUE(journal[2].injected);
    EXPECT_EQ(journal[2].result, 0x8000FFFFu);
}

INSTANTIATE_TEST_SUITE_P(CommLibraries, Registration, ::testing::ValuesIn(kLibraries),
                         [](const ::testing::TestParamInfo<Library>& info) {
                             return info.index == 0 ? std::string("libvorn") : std::string("zocomm");
                         });

// After DllUnregisterServer, COM reports the class as not registered: the result the client's
// on-demand registration reacts to.
TEST(RegistrationCycle, ClassIsCreatableOnlyWhileRegistered)
{
    RemoveRegistrations();
    ResetFiles();
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    IUnknown* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_CommObject, nullptr, CLSCTX_INPROC_SERVER, IID_ICommObject,
                               reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);

    ASSERT_EQ(CallRegistrationExport(L"libvorn.dll", "DllRegisterServer"), S_OK);
    ASSERT_EQ(CallRegistrationExport(L"zocomm.dll", "DllRegisterServer"), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_CommObject, nullptr, CLSCTX_INPROC_SERVER, IID_ICommObject,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    object->Release();
    object = nullptr;

    EXPECT_EQ(CallRegistrationExport(L"libvorn.dll", "DllUnregisterServer"), S_OK);
    EXPECT_EQ(CallRegistrationExport(L"zocomm.dll", "DllUnregisterServer"), S_OK);
    EXPECT_FALSE(KeyExists(COMM_OBJECT_CLSID_KEY));
    EXPECT_FALSE(KeyExists(ZOCOMM_MARKER_KEY));
    EXPECT_EQ(CoCreateInstance(CLSID_CommObject, nullptr, CLSCTX_INPROC_SERVER, IID_ICommObject,
                               reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);
    CoUninitialize();

    // The object came from the registered copy in the program folder, and was destroyed.
    std::vector<JournalLine> journal = ReadJournal(COMM_OBJECT_JOURNAL_FILE);
    EXPECT_EQ(Calls(journal, "CreateInstance").size(), 1u);
    EXPECT_EQ(Calls(journal, "ObjectDestroyed").size(), 1u);
}

} // namespace

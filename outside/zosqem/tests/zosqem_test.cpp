// Drives the stand-in the way the scanner does: loaded by name from a program folder.
#include "zosqem.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

class QemFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "zosqem_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
        char dll[MAX_PATH];
        ASSERT_TRUE(SearchPathA(nullptr, "zosqem.dll", nullptr, MAX_PATH, dll, nullptr));
        ASSERT_TRUE(CopyFileA(dll, (folder_ + "zosqem.dll").c_str(), FALSE));
        module_ = LoadLibraryA((folder_ + "zosqem.dll").c_str());
        ASSERT_NE(module_, nullptr);
        init_ = reinterpret_cast<QEM_InitializeQuarantineManager_t>(
            reinterpret_cast<void*>(GetProcAddress(module_, "QEM_InitializeQuarantineManager")));
        fini_ = reinterpret_cast<QEM_FinalizeQuarantineManager_t>(
            reinterpret_cast<void*>(GetProcAddress(module_, "QEM_FinalizeQuarantineManager")));
        ASSERT_TRUE(init_ && fini_);
        suspicious_ = folder_ + "Suspicious";
        block_ = {1, "0123456789abcdef0123456789abcdef", "", "Morvik", "2.00.00.00", 2, "auditor", nullptr};
        block_.folder = suspicious_.c_str();
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
        for (const char* f : {"zosqem.dll", "zosqem.faults", "zosqem.journal", "QemClients.ini"})
            DeleteFileA((folder_ + f).c_str());
        RemoveDirectoryA(suspicious_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string Read(const char* name)
    {
        std::ifstream in(folder_ + name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Registered(QEM_MANAGER id)
    {
        char value[MAX_PATH] = {};
        GetPrivateProfileStringA("Clients", std::to_string(id).c_str(), "", value, MAX_PATH,
                                 (folder_ + "QemClients.ini").c_str());
        return value;
    }
    std::string folder_, suspicious_;
    HMODULE module_ = nullptr;
    QEM_InitializeQuarantineManager_t init_ = nullptr;
    QEM_FinalizeQuarantineManager_t fini_ = nullptr;
    QEM_START_BLOCK block_{};
};

TEST_F(QemFolder, StartRegistersTheFolderForTheEngineAndEndRemovesIt)
{
    QEM_MANAGER manager = 0;
    ASSERT_EQ(init_(&block_, &manager), 0);
    ASSERT_NE(manager, 0u);
    EXPECT_EQ(Registered(manager), suspicious_);
    EXPECT_NE(GetFileAttributesA(suspicious_.c_str()), INVALID_FILE_ATTRIBUTES);

    QEM_MANAGER kept = manager;
    ASSERT_EQ(fini_(&manager), 0);
    EXPECT_EQ(manager, 0u);
    EXPECT_EQ(Registered(kept), "");
    // A manager ends once.
    EXPECT_EQ(fini_(&kept), 6);

    std::string journal = Read("zosqem.journal");
    EXPECT_NE(journal.find("QEM_InitializeQuarantineManager version=1 client=\"0123456789abcdef0123456789abcdef\" "
                           "appRef=\"\" product=\"Morvik\" clientVersion=\"2.00.00.00\" mode=2 user=\"auditor\" folder=\"" +
                           suspicious_ + "\" -> 0 manager=" + std::to_string(kept)),
              std::string::npos)
        << journal;
    EXPECT_NE(journal.find("QEM_FinalizeQuarantineManager manager=" + std::to_string(kept) + " -> 0"), std::string::npos);
    EXPECT_NE(journal.find("QEM_FinalizeQuarantineManager manager=" + std::to_string(kept) + " -> 6"), std::string::npos);
}

TEST_F(QemFolder, BadStartBlocksAreRefusedAndRegisterNothing)
{
    std::string longUser(33, 'u');
    struct Case {
        const char* name;
        void (*spoil)(QEM_START_BLOCK&, const std::string&);
    } cases[] = {
        {"version 2", [](QEM_START_BLOCK& b, const std::string&) { b.version = 2; }},
        {"mode 1", [](QEM_START_BLOCK& b, const std::string&) { b.mode = 1; }},
        {"no client", [](QEM_START_BLOCK& b, const std::string&) { b.clientId = nullptr; }},
        {"empty folder", [](QEM_START_BLOCK& b, const std::string&) { b.folder = ""; }},
        {"user of 33", [](QEM_START_BLOCK& b, const std::string& u) { b.userName = u.c_str(); }},
        {"client version of 12", [](QEM_START_BLOCK& b, const std::string&) { b.clientVersion = "2.00.00.0000"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QEM_START_BLOCK block = block_;
        c.spoil(block, longUser);
        QEM_MANAGER manager = 0;
        EXPECT_EQ(init_(&block, &manager), 87);
        EXPECT_EQ(manager, 0u);
    }
    EXPECT_EQ(init_(nullptr, nullptr), 87);
    EXPECT_EQ(Read("QemClients.ini"), "");
}

TEST_F(QemFolder, InjectedFaultsFailTheCallWithTheirCode)
{
    std::ofstream(folder_ + "zosqem.faults") << "[Fail]\nQEM_InitializeQuarantineManager=1450\n";
    QEM_MANAGER manager = 0;
    EXPECT_EQ(init_(&block_, &manager), 1450);
    EXPECT_EQ(manager, 0u);
    EXPECT_NE(Read("zosqem.journal").find("-> 1450"), std::string::npos);

    std::ofstream(folder_ + "zosqem.faults") << "[Fail]\nQEM_FinalizeQuarantineManager=33\n";
    ASSERT_EQ(init_(&block_, &manager), 0);
    QEM_MANAGER kept = manager;
    EXPECT_EQ(fini_(&manager), 33);
    EXPECT_EQ(Registered(kept), suspicious_);
}

} // namespace

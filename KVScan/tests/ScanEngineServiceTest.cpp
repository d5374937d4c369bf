// The engine's service through the real service manager (Wine's), with the stand-in service.
#include "EngineService.h"
#include "ExitProgram.h"
#include "TestLog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Logged(const TestLog& log, const char* message)
{
    std::vector<std::string> lines = log.Messages("EngineService.cpp");
    return std::find(lines.begin(), lines.end(), message) != lines.end();
}

class EngineServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "kvsvc_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        char exe[MAX_PATH];
        ASSERT_TRUE(SearchPathA(nullptr, ZOKSVC_EXECUTABLE, nullptr, MAX_PATH, exe, nullptr));
        path_ = folder_ + "\\" ZOKSVC_EXECUTABLE;
        ASSERT_TRUE(CopyFileA(exe, path_.c_str(), FALSE));
        manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager_, nullptr);
        RemoveService();
        limit_ = g_serviceStartPendingLimitMs;
    }
    void TearDown() override
    {
        RemoveService();
        CloseServiceHandle(manager_);
        g_serviceStartPendingLimitMs = limit_;
        for (const char* f : {ZOKSVC_EXECUTABLE, "zoksvc.journal", "zoksvc.scenario"})
            DeleteFileA((folder_ + "\\" + f).c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    // Stopped (waiting out a start-pending stand-in, bounded) and deleted.
    void RemoveService()
    {
        SC_HANDLE service = OpenServiceA(manager_, ZOKSVC_SERVICE_NAME, SERVICE_ALL_ACCESS);
        if (!service)
            return;
        SERVICE_STATUS status = {};
        for (int i = 0; i < 200 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i) {
            if (status.dwCurrentState == SERVICE_RUNNING)
                ControlService(service, SERVICE_CONTROL_STOP, &status);
            Sleep(50);
        }
        DeleteService(service);
        CloseServiceHandle(service);
    }
    DWORD State()
    {
        SC_HANDLE service = OpenServiceA(manager_, ZOKSVC_SERVICE_NAME, SERVICE_QUERY_STATUS);
        if (!service)
            return 0;
        SERVICE_STATUS status = {};
        QueryServiceStatus(service, &status);
        CloseServiceHandle(service);
        return status.dwCurrentState;
    }
    std::string BinaryPath()
    {
        SC_HANDLE service = OpenServiceA(manager_, ZOKSVC_SERVICE_NAME, SERVICE_QUERY_CONFIG);
        if (!service)
            return "";
        std::vector<char> buffer(8192);
        DWORD needed = 0;
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
        std::string path;
        if (QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed))
            path = config->lpBinaryPathName;
        CloseServiceHandle(service);
        return path;
    }
    int Install()
    {
        return InstallAndStartService(kEngineServiceName, kEngineServiceName, path_.c_str(), SERVICE_WIN32_OWN_PROCESS,
                                      SERVICE_DEMAND_START);
    }
    std::string folder_, path_;
    SC_HANDLE manager_ = nullptr;
    unsigned long limit_ = 0;
};

TEST_F(EngineServiceTest, InstalledServiceRunsUntilStopped)
{
    TestLog log;
    ASSERT_EQ(Install(), SERVICE_STARTED);
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(BinaryPath(), path_);
    EXPECT_TRUE(Logged(log, "Before StartService"));
    EXPECT_TRUE(Logged(log, "Service Started"));
    EXPECT_NE(ReadFile(folder_ + "\\zoksvc.journal").find("running"), std::string::npos);

    // A second start finds it running and says so.
    EXPECT_EQ(Install(), SERVICE_STARTED);

    // The exit routine's removal: the stand-in answers its stop, and the service is gone.
    EXPECT_EQ(UninstallService(ZOKSVC_SERVICE_NAME), 0);
    const std::vector<std::string> exitLines = log.Messages("ExitProgram.cpp");
    EXPECT_NE(std::find(exitLines.begin(), exitLines.end(), "Service Stopped"), exitLines.end());
    EXPECT_EQ(State(), 0u);
    std::string journal = ReadFile(folder_ + "\\zoksvc.journal");
    EXPECT_NE(journal.find("stop requested"), std::string::npos) << journal;
    EXPECT_NE(journal.find("stopped"), std::string::npos) << journal;
}

TEST_F(EngineServiceTest, ExistingServiceGetsItsPathFixedAndIsStarted)
{
    std::string stale = folder_ + "\\old\\zoksvc.exe";
    SC_HANDLE service = CreateServiceA(manager_, ZOKSVC_SERVICE_NAME, ZOKSVC_SERVICE_NAME, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED, SERVICE_ERROR_NORMAL,
                                       stale.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(service, nullptr);
    CloseServiceHandle(service);

    ASSERT_EQ(Install(), SERVICE_STARTED);
    EXPECT_EQ(BinaryPath(), path_);
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(EngineServiceTest, StartPendingPollIsBounded)
{
    std::ofstream(folder_ + "\\zoksvc.scenario") << "[Start]\nPendingMs=3000\n";
    g_serviceStartPendingLimitMs = 500;
    TestLog log;
    DWORD before = GetTickCount();
    EXPECT_EQ(Install(), SERVICE_NOT_STARTED);
    EXPECT_LT(GetTickCount() - before, 2500u);
    EXPECT_TRUE(Logged(log, "Service start pending"));
    EXPECT_TRUE(Logged(log, "Service still start pending after 500 ms"));
    EXPECT_FALSE(Logged(log, "Service Started"));
}

TEST_F(EngineServiceTest, ServiceThatFailsToStartIsReported)
{
    std::ofstream(folder_ + "\\zoksvc.scenario") << "[Start]\nFailExit=42\n";
    TestLog log;
    EXPECT_EQ(Install(), SERVICE_NOT_STARTED);
    EXPECT_FALSE(Logged(log, "Service Started"));
    EXPECT_NE(ReadFile(folder_ + "\\zoksvc.journal").find("failed 42"), std::string::npos);
}

} // namespace

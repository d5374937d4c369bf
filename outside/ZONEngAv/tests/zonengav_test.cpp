// Loads the stand-in by name from a folder of its own and checks that every call refuses, hands
// back no engine or object, and is journalled in order.
#include "ZONEngAv.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

template <typename T> T Bind(HMODULE module, const char* name)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

TEST(ZONEngAv, EveryCallRefusesAndIsJournalled)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "zonengav_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    char dll[MAX_PATH];
    ASSERT_TRUE(SearchPathA(nullptr, "ZONEngAv.dll", nullptr, MAX_PATH, dll, nullptr));
    ASSERT_TRUE(CopyFileA(dll, (folder + "ZONEngAv.dll").c_str(), FALSE));
    HMODULE module = LoadLibraryA((folder + "ZONEngAv.dll").c_str());
    ASSERT_NE(module, nullptr);

    typedef int(ZONENGAV_API * Create_t)(void**);
    typedef int(ZONENGAV_API * Set_t)(void*, uint32_t, ZONENGAV_VALUE);
    typedef int(ZONENGAV_API * One_t)(void*);
    typedef int(ZONENGAV_API * Analyze_t)(void*, void*);
    typedef int(ZONENGAV_API * Get_t)(void*, uint32_t, ZONENGAV_VALUE*);
    void* engine = &engine;
    void* object = &object;
    ZONENGAV_VALUE value = 77;
    EXPECT_EQ(Bind<Create_t>(module, "ZONENGAV_CreateEngine")(&engine), ZONENGAV_E_UNAVAILABLE);
    EXPECT_EQ(engine, nullptr);
    EXPECT_EQ(Bind<Set_t>(module, "ZONENGAV_SetPropertyEngine")(nullptr, 4, 183), ZONENGAV_E_UNAVAILABLE);
    EXPECT_EQ(Bind<One_t>(module, "ZONENGAV_InitializeEngine")(nullptr), ZONENGAV_E_UNAVAILABLE);
    EXPECT_EQ(Bind<Create_t>(module, "ZONENGAV_CreateObject")(&object), ZONENGAV_E_UNAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Bind<Set_t>(module, "ZONENGAV_SetPropertyObject")(nullptr, 1, 16), ZONENGAV_E_UNAVAILABLE);
    EXPECT_EQ(Bind<Analyze_t>(module, "ZONENGAV_Analyze")(nullptr, nullptr), ZONENGAV_E_UNAVAILABLE);
    EXPECT_EQ(Bind<One_t>(module, "ZONENGAV_Flush")(nullptr), ZONENGAV_E_UNAVAILABLE);
    EXPECT_EQ(Bind<Get_t>(module, "ZONENGAV_GetPropertyObject")(nullptr, 12, &value), ZONENGAV_E_UNAVAILABLE);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(Bind<One_t>(module, "ZONENGAV_ReleaseEngine")(nullptr), ZONENGAV_E_UNAVAILABLE);
    FreeLibrary(module);

    std::ifstream journal(folder + "ZONEngAv.journal", std::ios::binary);
    std::stringstream text;
    text << journal.rdbuf();
    journal.close();
    std::string names;
    std::string line;
    while (std::getline(text, line))
        names += line.substr(0, line.find_first_of(" \r")) + ",";
    EXPECT_EQ(names, "CreateEngine,SetPropertyEngine,InitializeEngine,CreateObject,SetPropertyObject,Analyze,Flush,"
                     "GetPropertyObject,ReleaseEngine,");
    EXPECT_NE(text.str().find(" 4 183\r\n"), std::string::npos);
    DeleteFileA((folder + "ZONEngAv.journal").c_str());
    DeleteFileA((folder + "ZONEngAv.dll").c_str());
    RemoveDirectoryA(folder.c_str());
}

} // namespace

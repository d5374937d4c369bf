#include "DeliveryUrl.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

struct CopyCase {
    const char* what;
    size_t length;    // of the source text
    bool terminated;
    size_t expected;  // bytes of text in the field
};

// A 32-byte field between two guard bytes, as the identifiers sit in the suspicious request.
struct Guarded {
    char before;
    char field[32];
    char after;
};

TEST(CopyRequestText, KeepsTheFieldAndItsNeighbours)
{
    const CopyCase cases[] = {
        {"short text", 5, true, 5},
        {"one short of the field", 31, true, 31},
        {"exactly the field", 32, true, 31},
        {"longer than the field", 40, true, 31},
        {"identifier of the field's length", 32, false, 32},
        {"identifier too long", 40, false, 32},
        {"empty", 0, true, 0},
    };
    for (const CopyCase& c : cases) {
        Guarded g;
        memset(&g, 'G', sizeof(g));
        CopyRequestText(g.field, sizeof(g.field), std::string(c.length, 'x'), c.terminated);
        EXPECT_EQ(g.before, 'G') << c.what;
        EXPECT_EQ(g.after, 'G') << c.what;
        EXPECT_EQ(std::string(g.field, c.expected), std::string(c.expected, 'x')) << c.what;
        for (size_t i = c.expected; i < sizeof(g.field); ++i)
            ASSERT_EQ(g.field[i], 0) << c.what << " byte " << i;
    }
}

TEST(CopyRequestText, TextFieldsOfTheRecordHoldAtMost259Bytes)
{
    KVCOMS_SENDFILES request;
    memset(&request, 'G', sizeof(request));
    CopyRequestText(request.url, sizeof(request.url), std::string(400, 'u'));
    EXPECT_EQ(strlen(request.url), 259u);
    EXPECT_EQ(request.agent[0], 'G'); // the next field is untouched
}

TEST(BindKvComsSendApi, RefusesWhatCannotServe)
{
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    struct {
        const char* what;
        std::wstring path;
        unsigned long error;
    } const cases[] = {
        {"no such library", std::wstring(system) + L"\\KVComs-missing.dll", ERROR_MOD_NOT_FOUND},
        {"a library without the exports", std::wstring(system) + L"\\version.dll", ERROR_PROC_NOT_FOUND},
    };
    for (const auto& c : cases) {
        KvComsSendApi api;
        EXPECT_EQ(BindKvComsSendApi(c.path, api), c.error) << c.what;
        EXPECT_EQ(api.module, nullptr) << c.what;
        EXPECT_EQ(api.sendReports, nullptr) << c.what;
    }
}

} // namespace

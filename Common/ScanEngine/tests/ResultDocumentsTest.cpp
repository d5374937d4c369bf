// The result holder's documents in a scratch reports folder, read back with libxml2: AnalysisDetails
// at the start and the end, AnalysisData in Online and Grouped mode, the code tables, escaping, the
// confidential and the shortened path, encryption, the fall-back names and the error reports.

#include "ErrorReportFiles.h"
#include "KVCripto.h"
#include "Md5.h"
#include "ResultDocumentText.h"
#include "ResultXml.h"
#include "ScanResultData.h"
#include "TessalyConfig.h"
#include "TestFiles.h"
#include "TestLog.h"
#include "TextHelpers.h"
#include "TimeHelpers.h"
#include "FileVersion.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <regex>

namespace {

const char kInstance[] = "{11111111-2222-3333-4444-555555555555}";
const char kMachine[] = "{cccccccc-0000-1111-2222-333333333333}";

int NoGuid(std::string& text)
{
    text.clear();
    return 1;
}

int g_encryptCalls;
int __cdecl FailingEncrypt(const void*, unsigned long, void** out, unsigned long* outLength)
{
    ++g_encryptCalls;
    *out = nullptr;
    *outLength = 0;
    return 0;
}

ScanCounters g_mail;
void AddMail(ScanCounters& totals)
{
    totals.elements += g_mail.elements;
    totals.files += g_mail.files;
    totals.messages += g_mail.messages;
}

bool IsBracedGuidName(const std::wstring& name)
{
    static const std::regex pattern("\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}\\.xml");
    return std::regex_match(ToNarrow(name), pattern);
}

ReportEntry Entry(const std::string& name, const std::wstring& path)
{
    ReportEntry entry;
    entry.malwareName = name;
    entry.malwareId = "0.42";
    entry.elementPath = path;
    entry.md5 = "0123456789ABCDEF0123456789ABCDEF";
    entry.referenceText = "2;0;UUVMRAE=";
    return entry;
}

bool IsValidUtf8(const std::string& text)
{
    return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                               nullptr, 0) > 0;
}

class ResultDocuments : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = TestFolder(L"results");
        reports_ = folder_ + L"\\Reports";
        config_.programFolder = ToNarrow(folder_);
        config_.reportsPath = reports_;
        config_.reportsPathA = ToNarrow(reports_);
        config_.instanceId = kInstance;
        config_.auditGuid = L"{aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee}";
        config_.clientVersion = L"2.00.03.07";
        config_.analysisKinds = ANALYSIS_MEMORY | ANALYSIS_ALL_DISKS;
        config_.obtainMalwarePath = true;
    }
    void TearDown() override { RemoveTree(folder_); }

    std::vector<std::wstring> Documents() const { return FilesIn(reports_, L"*.xml"); }

    XmlNode Parse(const std::wstring& name) const
    {
        XmlNode root;
        std::string error;
        EXPECT_TRUE(ParseXml(ReadBytes(reports_ + L"\\" + name), root, error)) << ToNarrow(name) << ": " << error;
        return root;
    }

    // key -> value of every error report file written so far, in name order.
    std::vector<std::map<std::string, std::string>> ErrorReports(const std::wstring& folder) const
    {
        std::vector<std::map<std::string, std::string>> found;
        for (const ErrorReportFile& report : ErrorReportFiles(ToNarrow(folder)))
            found.push_back(report.fields);
        return found;
    }

    std::wstring folder_;
    std::wstring reports_;
    TessalyConfig config_;
    std::string machine_ = kMachine;
};

TEST_F(ResultDocuments, StartDetailsDocumentHasNoEndDateAndAFreshGuidName)
{
    // A file with a version resource stands in for the engine library.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileW(self, (folder_ + L"\\zoscan.dll").c_str(), FALSE));
    std::wstring engineVersion;
    ASSERT_TRUE(GetFileVersionText((folder_ + L"\\zoscan.dll").c_str(), &engineVersion, nullptr));

    TestLog log;
    ScanResultData results(config_, machine_);
    results.totals.files = 99; // cleared at the start
    results.WriteAnalysisDetails(true);

    std::vector<std::wstring> documents = Documents();
    ASSERT_EQ(documents.size(), 1u);
    EXPECT_TRUE(IsBracedGuidName(documents[0])) << ToNarrow(documents[0]);
    std::string raw = ReadBytes(reports_ + L"\\" + documents[0]);
    EXPECT_EQ(raw.compare(0, 39, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"), 0);
    EXPECT_NE(raw.find("\n<AnalysisDetails>\n<AnalysisGUID>"), std::string::npos);
    EXPECT_EQ(raw.substr(raw.size() - 19), "\n</AnalysisDetails>");

    XmlNode root = Parse(documents[0]);
    EXPECT_EQ(root.name, "AnalysisDetails");
    std::vector<std::string> order = {"AnalysisGUID", "AuditGUID", "ComputerGUID", "Disinfection", "InitDate",
                                      "TotalTime", "TessalyClientVersion", "EngineVersion", "HeuristicVersion",
                                      "AnalysisType", "QelsigDate", "FilesScanned", "MessagesScanned",
                                      "ElementsScanned"};
    EXPECT_EQ(root.childNames(), order);
    std::string initDate;
    LocalTimeIso(results.startTime, initDate);
    std::string epoch;
    LocalTimeIso(0, epoch);
    EXPECT_EQ(root["AnalysisGUID"].text, kInstance);
    EXPECT_EQ(root["AuditGUID"].text, "{aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee}");
    EXPECT_EQ(root["ComputerGUID"].text, kMachine);
    EXPECT_EQ(root["Disinfection"].text, "0");
    EXPECT_EQ(root["InitDate"].text, initDate);
    EXPECT_EQ(root["TotalTime"].text, "0");
    EXPECT_EQ(root["TessalyClientVersion"].text, "2.00.03.07");
    EXPECT_EQ(root["EngineVersion"].text, ToNarrow(engineVersion));
    EXPECT_EQ(root["HeuristicVersion"].text, "");
    EXPECT_EQ(root["AnalysisType"].text, "1");
    EXPECT_EQ(root["QelsigDate"].text, epoch); // no qel.sig, no engine
    EXPECT_EQ(root["FilesScanned"].text, "0");

    std::vector<std::string> messages = log.Messages("ScanResultData.cpp");
    std::string written = "Written AnalysisDetails file [" + ToNarrow(reports_ + L"\\" + documents[0]) + "]";
    EXPECT_NE(std::find(messages.begin(), messages.end(), written), messages.end());
}

TEST_F(ResultDocuments, EndDetailsDocumentAddsAnalysesAndMailCountersUnderTheFixedName)
{
    struct Row {
        unsigned kinds;
        bool hook;
        unsigned long files, messages, elements;
    } rows[] = {
        {ANALYSIS_ALL_DISKS | ANALYSIS_OUTLOOK, true, 5 + 7 + 100, 200, 2 + 3 + 300},
        {ANALYSIS_OUTLOOK_EXPRESS, true, 5 + 7 + 100, 200, 2 + 3 + 300},
        {ANALYSIS_ALL_DISKS, true, 5 + 7, 0, 2 + 3},  // no mail analysis configured
        {ANALYSIS_OUTLOOK, false, 5 + 7, 0, 2 + 3}, // the mail scanner's area is not open
    };
    const std::wstring endName = L"{00000000-0000-0000-0000-000000000000}.xml";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kinds);
        RemoveTree(reports_);
        CreateDirectoryW(reports_.c_str(), nullptr);
        WriteBytes(reports_ + L"\\" + endName, "stale document of an earlier run");
        config_.analysisKinds = row.kinds;
        g_mail = {300, 100, 200};

        ScanResultData results(config_, machine_);
        results.addMailCounters = row.hook ? AddMail : nullptr;
        results.WriteAnalysisDetails(true);
        results.BeginAnalysis(false, true);
        results.analysis = {2, 5, 0};
        results.EndAnalysis();
        results.BeginAnalysis(false, false);
        EXPECT_EQ(results.analysis.files, 0u);
        results.analysis = {3, 7, 0};
        results.EndAnalysis();
        results.startTime -= 65; // the analyses took a while
        results.WriteAnalysisDetails(false);

        XmlNode root = Parse(endName);
        EXPECT_TRUE(root.has("EndDate"));
        EXPECT_EQ(root.childNames()[5], "EndDate");
        std::string endDate;
        LocalTimeIso(results.endTime, endDate);
        EXPECT_EQ(root["EndDate"].text, endDate);
        EXPECT_EQ(root["TotalTime"].text, std::to_string(results.endTime - results.startTime));
        EXPECT_GE(results.endTime - results.startTime, 65);
        EXPECT_EQ(root["FilesScanned"].text, std::to_string(row.files));
        EXPECT_EQ(root["MessagesScanned"].text, std::to_string(row.messages));
        EXPECT_EQ(root["ElementsScanned"].text, std::to_string(row.elements));
        EXPECT_EQ(Documents().size(), 2u); // the start's document and the end's
    }
}

TEST_F(ResultDocuments, QelsigDateFallsBackToTheSignatureFileTime)
{
    std::wstring sig = folder_ + L"\\qel.sig";
    WriteBytes(sig, "not a signature file the engine could open");
    const time_t when = 1577934245; // 2020-01-02 03:04:05 UTC
    long long ticks = (static_cast<long long>(when) * 10000000) + 116444736000000000LL;
    FILETIME filetime = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    HANDLE file = CreateFileW(sig.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &filetime));
    CloseHandle(file);

    ScanResultData results(config_, machine_);
    results.WriteAnalysisDetails(true);
    std::vector<std::wstring> documents = Documents();
    ASSERT_EQ(documents.size(), 1u);
    std::string expected;
    LocalTimeIso(when, expected);
    EXPECT_EQ(Parse(documents[0])["QelsigDate"].text, expected);
}

TEST_F(ResultDocuments, AnalysisDataEscapesTextsAndWritesEmptyElementsShort)
{
    config_.reportType = REPORT_ONLINE;
    const std::wstring path = L"C:\\Caf\u00e9 & <Bar>\\it's \"x\".exe";
    ReportEntry entry = Entry("Trojan<&>\"'.X", path);
    entry.md5.clear();
    entry.wasRunning = 1;
    entry.hidden = 1;
    ReportEntry second = Entry("W32/Plain", L"C:\\b.exe");

    struct Row {
        bool disinfection;
        std::string reference;
    } rows[] = {{false, "2;0;UUVMRAE="}, {true, ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.disinfection);
        RemoveTree(reports_);
        config_.disinfection = row.disinfection;
        ScanResultData results(config_, machine_);
        results.BeginAnalysis(false, false);
        results.AddReport(entry);
        std::vector<std::wstring> documents = Documents();
        ASSERT_EQ(documents.size(), 1u);
        EXPECT_TRUE(IsBracedGuidName(documents[0]));
        std::string raw = ReadBytes(reports_ + L"\\" + documents[0]);
        EXPECT_NE(raw.find("<MalwareName>Trojan&lt;&amp;&gt;&quot;&apos;.X</MalwareName>"), std::string::npos);
        EXPECT_NE(raw.find("Caf\xC3\xA9 &amp; &lt;Bar&gt;"), std::string::npos);
        EXPECT_NE(raw.find("\n<MD5 />\n"), std::string::npos);
        EXPECT_EQ(raw.find("<ReferenceID />") != std::string::npos, row.disinfection);
        EXPECT_EQ(raw.substr(raw.size() - 21), "\n</Report>\n</Reports>");

        XmlNode root = Parse(documents[0]);
        ASSERT_EQ(root.name, "Reports");
        ASSERT_EQ(root.children.size(), 1u);
        const XmlNode& report = root.children[0];
        std::vector<std::string> order = {"AnalysisGUID", "MalwareName", "MalwareID", "MalwarePath",
                                          "HashMalwarePath", "MD5", "ReferenceID", "WasRunning",
                                          "MalwareType", "Location", "WasHidden", "Action"};
        EXPECT_EQ(report.childNames(), order);
        EXPECT_EQ(report["AnalysisGUID"].text, kInstance);
        EXPECT_EQ(report["MalwareName"].text, "Trojan<&>\"'.X");
        EXPECT_EQ(report["MalwareID"].text, "0.42");
        EXPECT_EQ(report["MalwarePath"].text, WideToUtf8(path));
        EXPECT_EQ(report["HashMalwarePath"].text, PathHash(XmlEscapeUtf8(path).c_str()));
        EXPECT_EQ(report["MD5"].text, "");
        EXPECT_EQ(report["ReferenceID"].text, row.reference);
        EXPECT_EQ(report["WasRunning"].text, "1");
        EXPECT_EQ(report["WasHidden"].text, "1");

        // Online: the newest entry alone, in a document of its own.
        results.AddReport(second);
        documents = Documents();
        ASSERT_EQ(documents.size(), 2u);
        int withSecond = 0;
        for (const std::wstring& name : documents) {
            XmlNode other = Parse(name);
            ASSERT_EQ(other.children.size(), 1u);
            withSecond += other.children[0]["MalwareName"].text == "W32/Plain";
        }
        EXPECT_EQ(withSecond, 1);
    }
}

TEST_F(ResultDocuments, ConfidentialPathIsOnlyItsHash)
{
    config_.obtainMalwarePath = false;
    config_.reportType = REPORT_ONLINE;
    const std::wstring path = L"C:\\Users\\someone\\secret plans.doc";
    ScanResultData results(config_, machine_);
    results.AddReport(Entry("Macro.X", path));

    std::vector<std::wstring> documents = Documents();
    ASSERT_EQ(documents.size(), 1u);
    std::string raw = ReadBytes(reports_ + L"\\" + documents[0]);
    EXPECT_EQ(raw.find("secret"), std::string::npos);
    XmlNode root = Parse(documents[0]);
    const XmlNode& report = root.children.at(0);
    std::string hash = PathHash(ToNarrow(path).c_str());
    EXPECT_EQ(report["HashMalwarePath"].text, hash);
    EXPECT_EQ(report["MalwarePath"].text, "NOT_AVAILABLE_BY_CONFIDENTIALITY" + hash);
}

TEST_F(ResultDocuments, CodesAreMappedToTheDocumentsNumbers)
{
    struct Row {
        uint32_t code;
        const char* type;
        const char* location;
        const char* action;
    } rows[] = {
        {0, "1", "1", "4"},  {1, "2", "5", "3"},  {2, "3", "2", "1"},  {3, "22", "3", "2"},
        {4, "24", "4", "5"}, {5, "8", "1", "2"},  {6, "7", "1", "2"},  {7, "15", "1", "2"},
        {8, "9", "1", "2"},  {9, "26", "1", "2"}, {10, "0", "1", "2"}, {11, "0", "1", "2"},
        {0xFFFFFFFFu, "0", "1", "2"},
    };
    ScanResultData results(config_, machine_); // Grouped: one document at the end of the analysis
    results.BeginAnalysis(false, false);
    for (const Row& row : rows) {
        ReportEntry entry = Entry("M" + std::to_string(row.code), L"C:\\x.exe");
        entry.malwareType = row.code;
        entry.location = row.code;
        entry.action = row.code;
        results.AddReport(entry);
    }
    EXPECT_TRUE(Documents().empty());
    results.EndAnalysis();
    std::vector<std::wstring> documents = Documents();
    ASSERT_EQ(documents.size(), 1u);
    XmlNode root = Parse(documents[0]);
    ASSERT_EQ(root.children.size(), sizeof rows / sizeof rows[0]);
    for (size_t i = 0; i < root.children.size(); ++i) {
        const XmlNode& report = root.children[i];
        SCOPED_TRACE(rows[i].code);
        EXPECT_EQ(report["MalwareName"].text, "M" + std::to_string(rows[i].code)); // detection order
        EXPECT_EQ(report["MalwareType"].text, rows[i].type);
        EXPECT_EQ(report["Location"].text, rows[i].location);
        EXPECT_EQ(report["Action"].text, rows[i].action);
    }
}

TEST_F(ResultDocuments, OnlineAndGroupedFileCounts)
{
    struct Row {
        int reportType;
        size_t afterAdds;
        size_t afterEnd;
        size_t reportsInLast;
    } rows[] = {{REPORT_ONLINE, 2, 2, 1}, {REPORT_GROUPED, 0, 1, 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reportType);
        RemoveTree(reports_);
        config_.reportType = row.reportType;
        ScanResultData results(config_, machine_);
        results.BeginAnalysis(false, false);
        results.AddReport(Entry("A", L"C:\\a.exe"));
        results.AddReport(Entry("B", L"C:\\b.exe"));
        EXPECT_EQ(Documents().size(), row.afterAdds);
        results.EndAnalysis();
        std::vector<std::wstring> documents = Documents();
        ASSERT_EQ(documents.size(), row.afterEnd);
        size_t reports = 0;
        for (const std::wstring& name : documents)
            reports += Parse(name).children.size();
        EXPECT_EQ(reports, 2u);
        EXPECT_EQ(Parse(documents.back()).children.size() * documents.size(), 2u);

        // The next analysis starts with an empty list: nothing is written twice.
        results.BeginAnalysis(false, false);
        results.EndAnalysis();
        EXPECT_EQ(Documents().size(), row.afterEnd);
    }
}

TEST_F(ResultDocuments, LongPathsAreShortenedBetweenCharactersAndEntities)
{
    const std::string last = "\\last part.exe";
    struct Row {
        const char* what;
        std::string escaped;
        std::string ending; // what the shortened text ends with
    } rows[] = {
        {"plain 2000 bytes", "C:\\" + std::string(1983, 'a') + last, "..." + last},
        {"slashes", "C:/" + std::string(1100, 'b') + "/name.txt", "...\\name.txt"},
        {"entities", "C:\\dirx\\" + [] {
             std::string s;
             for (int i = 0; i < 400; ++i)
                 s += "&amp;";
             return s;
         }() + last,
         "..." + last},
        {"long last part", "C:\\dir\\" + std::string(1500, 'q') + ".exe", std::string(1017, 'q') + ".exe"},
        {"no separator", std::string(1500, 'r') + "&lt;", std::string(1016, 'r') + "&lt;"},
    };
    // Every two-byte character sits at a different offset: at least one row cuts through one.
    std::string accents;
    for (int i = 0; i < 700; ++i)
        accents += "\xC3\xA9";
    std::vector<Row> all(std::begin(rows), std::end(rows));
    all.push_back({"accents", "C:\\" + accents + last, "..." + last});
    all.push_back({"accents odd", "C:\\x" + accents + last, "..." + last});
    all.push_back({"accents in the last part", "C:\\" + accents, ""});

    for (const Row& row : all) {
        SCOPED_TRACE(row.what);
        std::string shortened = ShortenMalwarePath(row.escaped);
        EXPECT_LE(shortened.size(), kMaxMalwarePathBytes);
        EXPECT_GE(shortened.size(), kMaxMalwarePathBytes - 5); // at most one entity or character lost
        EXPECT_TRUE(IsValidUtf8(shortened));
        EXPECT_EQ(shortened.find('/'), std::string::npos);
        EXPECT_NE(shortened.find("..."), std::string::npos);
        if (!row.ending.empty()) {
            ASSERT_GE(shortened.size(), row.ending.size());
            EXPECT_EQ(shortened.substr(shortened.size() - row.ending.size()), row.ending);
        }
        // No entity is cut: after removing the whole entities no "&" is left.
        std::string rest = std::regex_replace(shortened, std::regex("&(amp|lt|gt|quot|apos);"), "");
        EXPECT_EQ(rest.find('&'), std::string::npos);
    }
    std::string exact = "C:\\" + std::string(1021, 'e');
    EXPECT_EQ(ShortenMalwarePath(exact), exact);
}

TEST_F(ResultDocuments, DocumentWithA2000BytePathStaysWellFormed)
{
    config_.reportType = REPORT_ONLINE;
    std::wstring path = L"C:\\" + std::wstring(601, L'a') + L"\\" + std::wstring(700, L'\u00e9') + L"\\b&c.exe";
    ASSERT_GT(XmlEscapeUtf8(path).size(), 2000u);
    ScanResultData results(config_, machine_);
    results.AddReport(Entry("Long.X", path));

    std::vector<std::wstring> documents = Documents();
    ASSERT_EQ(documents.size(), 1u);
    XmlNode root = Parse(documents[0]);
    const XmlNode& report = root.children.at(0);
    std::string written = report["MalwarePath"].text; // unescaped by the parser
    EXPECT_EQ(written.substr(written.size() - 11), "...\\b&c.exe");
    std::string escaped = ShortenMalwarePath(XmlEscapeUtf8(path));
    EXPECT_EQ(escaped.size(), 1024u);
    EXPECT_EQ(report["HashMalwarePath"].text, PathHash(escaped.c_str()));
    EXPECT_EQ(written.compare(0, 4, "C:\\a"), 0);
}

TEST_F(ResultDocuments, EncryptedDocumentsDecryptToThePlainOnes)
{
    config_.configWasEncrypted = true;
    config_.reportType = REPORT_ONLINE;
    ScanResultData results(config_, machine_);
    results.BeginAnalysis(false, false);
    ReportEntry entry = Entry("Enc.X", L"C:\\enc.exe");
    results.AddReport(entry);
    results.WriteAnalysisDetails(false);

    AnalysisDataOptions options;
    options.analysisGuid = kInstance;
    options.obtainMalwarePath = true;
    std::string plainData = AnalysisDataText({&entry}, options);

    std::vector<std::wstring> documents = Documents();
    ASSERT_EQ(documents.size(), 2u);
    int details = 0;
    for (const std::wstring& name : documents) {
        std::string bytes = ReadBytes(reports_ + L"\\" + name);
        ASSERT_TRUE(KV_IsEncrypted(bytes.data(), static_cast<unsigned long>(bytes.size())));
        void* plain = nullptr;
        unsigned long length = 0;
        ASSERT_TRUE(KV_DecryptBuffer(bytes.data(), static_cast<unsigned long>(bytes.size()), &plain, &length));
        std::string text(static_cast<const char*>(plain), length);
        KV_MemFree(plain);
        XmlNode root;
        std::string error;
        ASSERT_TRUE(ParseXml(text, root, error)) << error;
        if (root.name == "AnalysisDetails") {
            ++details;
            EXPECT_EQ(name, L"{00000000-0000-0000-0000-000000000000}.xml");
            EXPECT_EQ(root["AnalysisGUID"].text, kInstance);
        } else {
            EXPECT_EQ(text, plainData);
        }
    }
    EXPECT_EQ(details, 1);
}

TEST_F(ResultDocuments, FailedEncryptionWritesNoFile)
{
    config_.configWasEncrypted = true;
    config_.reportType = REPORT_GROUPED;
    g_encryptCalls = 0;
    ScanResultData results(config_, machine_);
    results.encryptBuffer = FailingEncrypt;
    results.BeginAnalysis(false, false);
    results.AddReport(Entry("A", L"C:\\a.exe"));
    EXPECT_EQ(results.SendMalwareReport(true), 8);
    EXPECT_EQ(results.SendAnalysisDetailsReport(true), 8);
    EXPECT_EQ(g_encryptCalls, 2);
    EXPECT_TRUE(Documents().empty()); // neither encrypted nor, worse, plain
}

TEST_F(ResultDocuments, WithoutGuidsDocumentsTakeTheFirstFreeCounterName)
{
    config_.reportType = REPORT_ONLINE;
    CreateDirectoryW(reports_.c_str(), nullptr);
    const std::wstring guid = ToWide(kInstance);
    WriteBytes(reports_ + L"\\AnalysisData" + guid + L"_00001.xml", "taken");
    ScanResultData results(config_, machine_);
    results.newGuid = NoGuid;
    results.BeginAnalysis(false, false);
    results.AddReport(Entry("A", L"C:\\a.exe"));
    results.AddReport(Entry("B", L"C:\\b.exe"));
    results.WriteAnalysisDetails(true);
    results.WriteAnalysisDetails(false);

    std::vector<std::wstring> expected = {
        L"AnalysisData" + guid + L"_00001.xml",    L"AnalysisData" + guid + L"_00002.xml",
        L"AnalysisData" + guid + L"_00003.xml",    L"AnalysisDetails" + guid + L"_00001.xml",
        L"{00000000-0000-0000-0000-000000000000}.xml",
    };
    EXPECT_EQ(Documents(), expected);
    EXPECT_EQ(ReadBytes(reports_ + L"\\AnalysisData" + guid + L"_00001.xml"), "taken");
    EXPECT_EQ(Parse(L"AnalysisData" + guid + L"_00003.xml").children.at(0)["MalwareName"].text, "B");
}

TEST_F(ResultDocuments, FilesThatCannotBeCreatedAreLoggedAndReported)
{
    // The reports folder cannot exist: a file holds its parent's name. Error reports go elsewhere.
    WriteBytes(folder_ + L"\\blocker", "x");
    config_.reportsPath = folder_ + L"\\blocker\\Reports";
    std::wstring errors = folder_ + L"\\Errors";
    CreateDirectoryW(errors.c_str(), nullptr);
    config_.reportsPathA = ToNarrow(errors);
    config_.reportType = REPORT_GROUPED;

    TestLog log;
    ScanResultData results(config_, machine_);
    EXPECT_EQ(results.SendAnalysisDetailsReport(false), 8);
    results.AddReport(Entry("A", L"C:\\a.exe"));
    EXPECT_NE(results.SendMalwareReport(true), 0);

    std::string details = ToNarrow(config_.reportsPath) + "\\{00000000-0000-0000-0000-000000000000}.xml";
    std::vector<std::string> messages = log.Messages("ScanResultData.cpp");
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Error creating AnalysisDetails file [" + details + "]"),
              messages.end());
    std::string dataMessage;
    for (const std::string& message : messages)
        if (message.compare(0, 32, "Error creating AnalysisData file") == 0)
            dataMessage = message;
    ASSERT_FALSE(dataMessage.empty());

    // (The engine package that cannot be opened here reports with code 0 and a message of its own.)
    std::map<std::string, std::string> byCode[2];
    int found[2] = {0, 0};
    for (auto& report : ErrorReports(errors)) {
        int which = report["Code"] == "7" ? 0 : report["Code"] == "0" && report["Message"].empty() ? 1 : -1;
        if (which >= 0) {
            byCode[which] = report;
            ++found[which];
        }
    }
    EXPECT_EQ(found[0], 1);
    EXPECT_EQ(found[1], 1);
    EXPECT_EQ(byCode[0]["Message"], "Error creating AnalysisDetails file");
    EXPECT_EQ(byCode[0]["ExtraText"], details);
    EXPECT_EQ(byCode[0]["InstanceId"], kInstance);
    EXPECT_EQ(byCode[1]["Message"], "");
    EXPECT_EQ(byCode[1]["ExtraText"], dataMessage);
}

TEST_F(ResultDocuments, DetailsThatCannotBeBuiltAreReportedAs2501)
{
    CreateDirectoryW(reports_.c_str(), nullptr);
    ScanResultData results(config_, machine_);
    results.startTime = -1; // before 1970: no local time
    std::string unused;
    ASSERT_NE(LocalTimeIso(results.startTime, unused), 0);
    EXPECT_EQ(results.SendAnalysisDetailsReport(true), 8);
    EXPECT_TRUE(Documents().empty());
    bool reported = false;
    for (auto& report : ErrorReports(reports_))
        reported |= report["Code"] == "2501" && report["Message"] == "Error creating initial analysis report";
    EXPECT_TRUE(reported);
}

TEST_F(ResultDocuments, ErrorRecordsBecomeErrorReports)
{
    struct Row {
        int code;
        const char* message;
    } rows[] = {
        {1, "Config file does not exist"},
        {7, "Error creating AnalysisDetails file"},
        {13, "Error copying file to reports folder"},
        {0, ""},
        {14, ""},
        {-1, ""},
    };
    for (const Row& row : rows)
        EXPECT_STREQ(ScanErrorMessage(row.code), row.message) << row.code;

    CreateDirectoryW(reports_.c_str(), nullptr);
    ScanResultData results(config_, machine_);
    ScanErrorRecord record;
    record.code = 11;
    record.text = L"process <7> & \u00e9";
    record.flag = 1;
    SetLastError(5);
    results.ReportError(record);

    std::vector<std::map<std::string, std::string>> reports = ErrorReports(reports_);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]["Code"], "11");
    EXPECT_EQ(reports[0]["Message"], "Error ending suspicious process");
    EXPECT_EQ(reports[0]["ExtraText"], "process &lt;7&gt; &amp; \xC3\xA9");
    EXPECT_EQ(reports[0]["Flag"], "1");
    EXPECT_EQ(reports[0]["Detail"], "5");
    EXPECT_EQ(reports[0]["Module"], "KvScan");
    EXPECT_EQ(reports[0]["Encrypted"], "0");
}

} // namespace

// A disinfection run against the engine stand-in: a scan of a folder holding the EICAR file writes
// the documents, its reference text becomes the elements file, and the run hands exactly that
// detection back to the engine with the disinfection settings. Also the missing elements file.

#include "AnalysisFixture.h"
#include "DisinfectionRun.h"
#include "ResultXml.h"
#include "ScanExecution.h"
#include "TestFiles.h"
#include "TestLog.h"
#include "TextHelpers.h"
#include "TimeHelpers.h"

#include <algorithm>
#include <cstring>

namespace {

const wchar_t kAuditGuid[] = L"{a1b2c3d4-0000-1111-2222-333344445555}";

class DisinfectionRunTest : public AnalysisFixture {
protected:
    void SetUp() override
    {
        AnalysisFixture::SetUp();
        WriteFile(Data("eicar.com"), "head " + Eicar() + " tail");
        WriteFile(Data("clean.txt"), "nothing to see");
        dataFolder_ = folder_ + "data";
        config_.pathAnalysis = std::wstring(dataFolder_.begin(), dataFolder_.end());
        config_.analysisKinds = ANALYSIS_ALL_DISKS;
        config_.auditGuid = kAuditGuid;
        config_.obtainMalwarePath = true;
        config_.clientVersion = L"2.00.00.01";
        Scenario("[Disks]\nRoots=" + dataFolder_ + "\n");
    }

    // Parsed documents of the reports folder by root name (AnalysisDetails, Reports), in name order.
    std::vector<XmlNode> Documents(const std::string& rootName) const
    {
        std::vector<XmlNode> found;
        for (const std::wstring& name : FilesIn(config_.reportsPath, L"*.xml")) {
            XmlNode root;
            std::string error;
            EXPECT_TRUE(ParseXml(ReadFile(config_.reportsPathA + "\\" + ToNarrow(name)), root, error)) << error;
            if (root.name == rootName)
                found.push_back(root);
        }
        return found;
    }

    bool Logged(const TestLog& log, const std::string& source, const std::string& text) const
    {
        std::vector<std::string> lines = log.Messages(source);
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    // The signature date written in the stand-in's Qel.sig (offset 16, seconds since 1970 UTC).
    time_t SignatureDate() const
    {
        std::string sig = ReadFile(folder_ + "Qel.sig");
        uint32_t date = 0;
        if (sig.size() >= 20)
            std::memcpy(&date, sig.data() + 16, 4);
        return static_cast<time_t>(date);
    }

    std::string dataFolder_;
};

TEST_F(DisinfectionRunTest, ScanWritesTheDocumentsThatTheDisinfectionRunWorksFrom)
{
    // The audit: AnalysisDetails at the start, the scan, AnalysisDetails at the end.
    results_->WriteAnalysisDetails(true);
    ASSERT_EQ(DoMalwareScan(false, false), 0);
    results_->WriteAnalysisDetails(false);

    std::vector<XmlNode> details = Documents("AnalysisDetails");
    ASSERT_EQ(details.size(), 2u);
    std::string signatureDate;
    ASSERT_GT(SignatureDate(), 0);
    UtcTimeIso(SignatureDate(), signatureDate);
    const XmlNode& end = details[0].has("EndDate") ? details[0] : details[1];
    for (const XmlNode& document : details) {
        EXPECT_EQ(document["AnalysisGUID"].text, config_.instanceId);
        EXPECT_EQ(document["AuditGUID"].text, ToNarrow(kAuditGuid));
        EXPECT_EQ(document["ComputerGUID"].text, machineId_);
        EXPECT_EQ(document["QelsigDate"].text, signatureDate) << "the engine package's own date";
        EXPECT_FALSE(document["EngineVersion"].text.empty()) << "zoscan.dll of the program folder";
    }
    EXPECT_EQ(end["FilesScanned"].text, std::to_string(results_->totals.files));
    EXPECT_GE(results_->totals.files, 2ul);

    std::vector<XmlNode> data = Documents("Reports");
    ASSERT_EQ(data.size(), 1u);
    ASSERT_EQ(data[0].children.size(), 1u);
    const XmlNode& report = data[0].children[0];
    EXPECT_EQ(report["MalwareName"].text, "EICAR-Test-File");
    EXPECT_EQ(report["MalwarePath"].text, dataFolder_ + "\\eicar.com");
    EXPECT_EQ(report["Action"].text, "2") << "left as it was";
    std::string reference = report["ReferenceID"].text;
    ASSERT_EQ(reference.rfind("1;0;", 0), 0u) << reference;

    // The server sends that reference text back (and an empty line) in the elements file.
    WriteFile(programFolder_ + "\\" + ToNarrow(kAuditGuid), reference + "\r\n\r\n");
    RemoveTree(config_.reportsPath);
    CreateDirectoryW(config_.reportsPath.c_str(), nullptr);
    config_.disinfection = true;
    TestLog log;
    size_t settingsBefore = Settings().size();

    EXPECT_EQ(DoMalwareDisinfection(), 0);

    std::vector<std::string> added = Calls("ZOScan_AddAnalizableItem");
    ASSERT_EQ(added.size(), 2u) << "the scan's path, then the one detection";
    EXPECT_NE(added[1].find("kind=0x50000 type=1 subtype=0 data=51454c44"), std::string::npos) << added[1];
    std::vector<std::pair<std::string, std::string>> settings = Settings();
    settings.erase(settings.begin(), settings.begin() + settingsBefore);
    ASSERT_FALSE(settings.empty());
    EXPECT_EQ(settings[0], std::make_pair(std::string("ZOSCAN_CFG_FIRST_ACTION"), std::string("2")));
    EXPECT_TRUE(std::none_of(settings.begin(), settings.end(), [](const std::pair<std::string, std::string>& s) {
        return s.first == "ZOSCAN_CFG_QEM_CLID";
    }));
    EXPECT_TRUE(Logged(log, "ScanExecution.cpp", "analysisSystem.analyse"));
    EXPECT_TRUE(Logged(log, "DisinfectionRun.cpp", "-DoMalwareDisinfection()"));

    // The file is disinfected and the result is reported without reference text.
    std::string cleaned = ReadFile(Data("eicar.com"));
    EXPECT_EQ(cleaned.find(Eicar()), std::string::npos);
    EXPECT_EQ(cleaned.rfind("head ", 0), 0u);
    data = Documents("Reports");
    ASSERT_EQ(data.size(), 1u);
    ASSERT_EQ(data[0].children.size(), 1u);
    EXPECT_EQ(data[0].children[0]["MalwareName"].text, "EICAR-Test-File");
    EXPECT_EQ(data[0].children[0]["Action"].text, "4") << "disinfected";
    EXPECT_EQ(data[0].children[0]["ReferenceID"].text, "");
}

TEST_F(DisinfectionRunTest, EmptyElementsFileStillConfiguresAndRunsTheEngine)
{
    WriteFile(programFolder_ + "\\" + ToNarrow(kAuditGuid), "");
    config_.disinfection = true;
    EXPECT_EQ(DoMalwareDisinfection(), 0);
    EXPECT_TRUE(Calls("ZOScan_AddAnalizableItem").empty());
    EXPECT_FALSE(Settings().empty());
    std::vector<std::string> analysed = Calls("ZOScan_Analyse");
    ASSERT_EQ(analysed.size(), 2u); // its beginning and its result
    EXPECT_NE(analysed[0].find(" items=0 begins"), std::string::npos) << analysed[0];
    EXPECT_NE(analysed[1].find(" -> 0"), std::string::npos) << analysed[1];
    EXPECT_TRUE(FilesIn(config_.reportsPath, L"*.xml").empty());
}

TEST_F(DisinfectionRunTest, MissingOrRefusedElementsFileEndsWith2AndItsReport)
{
    const wchar_t* names[] = {kAuditGuid, L"..\\escape", L""};
    for (const wchar_t* name : names) {
        SCOPED_TRACE(ToNarrow(name));
        config_.auditGuid = name;
        size_t reportsBefore = ErrorReports().size();
        TestLog log;
        EXPECT_EQ(DoMalwareDisinfection(), 2);
        // A refused name is shown as it was given.
        std::string shown = name == kAuditGuid ? programFolder_ + "\\" + ToNarrow(name) : ToNarrow(name);
        EXPECT_TRUE(Logged(log, "DisinfectionRun.cpp", "Elements to disinfect file [" + shown + "] not exists."));
        std::vector<std::string> reports = ErrorReports();
        ASSERT_EQ(reports.size(), reportsBefore + 1);
        EXPECT_TRUE(std::any_of(reports.begin(), reports.end(), [](const std::string& text) {
            return text.find("ExtraText=Error getting elements to disinfect\r\n") != std::string::npos;
        }));
    }
    EXPECT_TRUE(Calls("ZOScan_ConfigureAnalysis").empty());
    EXPECT_TRUE(Calls("ZOScan_Analyse").empty());
}

} // namespace

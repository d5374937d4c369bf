// Program-folder fixture for the engine stand-in tests (see EngineFixture.h).

#include "EngineFixture.h"

#include "QelSig.h"

#include <fstream>
#include <sstream>

EngineFolder* EngineFolder::current_ = nullptr;

namespace {

int g_folderCount = 0;

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

std::string EngineFolder::DistFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string exe = path;
    std::string bin = exe.substr(0, exe.find_last_of('\\'));
    return bin.substr(0, bin.find_last_of('\\')) + "\\dist\\";
}

void EngineFolder::SetUp()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "engine_test_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(++g_folderCount) + "\\";
    RemoveTree(folder_.substr(0, folder_.size() - 1));
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    CreateDirectoryA((folder_ + "data").c_str(), nullptr);
    std::string dist = DistFolder();
    for (const char* file : {"ZoScan.dll", "zokas.dll", "Qel.sig"})
        ASSERT_TRUE(CopyFileA((dist + file).c_str(), (folder_ + file).c_str(), FALSE)) << dist + file;
    current_ = this;
}

void EngineFolder::TearDown()
{
    if (scanModule_) {
        if (system_)
            scan.FreeSystem(system_);
        if (list_)
            scan.FreeList(list_);
        FreeLibrary(scanModule_);
    }
    if (zokasModule_)
        FreeLibrary(zokasModule_);
    current_ = nullptr;
    RemoveTree(folder_.substr(0, folder_.size() - 1));
}

HMODULE EngineFolder::LoadScan()
{
    scanModule_ = LoadLibraryExA((folder_ + "ZoScan.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_NE(scanModule_, nullptr);
    if (!scanModule_)
        return nullptr;
    const char* missing = scan.Resolve(scanModule_);
    EXPECT_EQ(missing, nullptr) << missing;
    return scanModule_;
}

HMODULE EngineFolder::LoadZokas(const std::string& fromFolder)
{
    std::string folder = fromFolder.empty() ? folder_ : fromFolder;
    zokasModule_ = LoadLibraryExA((folder + "zokas.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_NE(zokasModule_, nullptr);
    return zokasModule_;
}

void EngineFolder::OpenScan(uint32_t mask)
{
    ASSERT_NE(LoadScan(), nullptr);
    ASSERT_EQ(scan.InitializeAPI(ZOSCAN_INTERFACE_VERSION), 0);
    list_ = scan.CreateList();
    ASSERT_NE(list_, nullptr);
    std::string programFolder = folder_.substr(0, folder_.size() - 1);
    ZoScanSystemRecord record{};
    record.size = sizeof record;
    record.folder1 = programFolder.data();
    record.folder2 = programFolder.data();
    lstrcpynA(record.installationId, "0123456789abcdef0123456789abcdef", 33);
    lstrcpynA(record.appRefVersion, "1.0.0.0", 33);
    system_ = scan.InitializeSystem(&record);
    ASSERT_NE(system_, nullptr) << scan.GetLastError(nullptr);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK, reinterpret_cast<uintptr_t>(&Callback)), 0);
    ASSERT_EQ(scan.Configure(system_, ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES, mask), 0);
}

void EngineFolder::AddPath(const std::string& path, uint32_t option)
{
    std::string copy = path; // the engine must not keep the caller's buffer
    ZoPathItemRecord record{};
    record.size = sizeof record;
    record.path = copy.c_str();
    record.option = option;
    ASSERT_EQ(scan.AddItem(list_, ZOSCAN_ITEM_PATH, &record), 0);
    std::fill(copy.begin(), copy.end(), 'X');
}

int EngineFolder::Analyse()
{
    return scan.Analyse(system_, list_);
}

int __stdcall EngineFolder::Callback(uint32_t type, void* record, void*)
{
    EngineFolder* self = current_;
    self->types_.push_back(type);
    switch (type) {
    case ZOSCAN_CALLBACK_PROGRESS: {
        auto progress = static_cast<ZoProgressRecord*>(record);
        EXPECT_EQ(progress->size, sizeof(ZoProgressRecord));
        int index = static_cast<int>(self->progressItems_.size());
        self->progressItems_.push_back(progress->itemName ? progress->itemName : "");
        return self->stopAtProgress_ >= 0 && index >= self->stopAtProgress_ ? 1 : 0;
    }
    case ZOSCAN_CALLBACK_EVENT: {
        auto event = static_cast<ZoEventRecord*>(record);
        self->events_.push_back(event->event == ZOSCAN_EVENT_ERROR ? 0x300 + event->errorCode : event->event);
        return 0;
    }
    case ZOSCAN_CALLBACK_QUESTION: {
        auto question = static_cast<ZoQuestionRecord*>(record);
        self->questions_.push_back({question->element->path ? question->element->path : "",
                                    question->malwareName ? question->malwareName : "", question->possibleActions});
        question->action = self->answer_;
        return 0;
    }
    case ZOSCAN_CALLBACK_RESULT: {
        auto result = static_cast<ZoResultRecord*>(record);
        Reported r;
        const ZoElementRecord* e = result->element;
        r.path = e->path ? e->path : "";
        r.name = e->name ? e->name : "";
        r.elementType = e->elementType;
        r.location = e->location;
        r.state = e->analysisState;
        r.rebootPending = e->rebootPending;
        r.running = e->running;
        static const char digits[] = "0123456789ABCDEF";
        for (uint8_t b : e->md5) {
            r.md5 += digits[b >> 4];
            r.md5 += digits[b & 15];
        }
        r.flag = e->flag;
        r.text32 = e->text32 ? e->text32 : "";
        for (uint8_t b : e->uuid)
            r.hasUuid = r.hasUuid || b != 0;
        r.detections = result->detections;
        if (result->first) {
            r.malware = result->first->name ? result->first->name : "";
            r.malwareType = result->first->malwareType;
            r.subType = result->first->subType;
            r.action = result->first->actionWord;
        }
        if (result->extraLength)
            r.extra.assign(result->extraData, result->extraData + result->extraLength);
        self->results_.push_back(r);
        return 0;
    }
    default:
        return 0;
    }
}

std::vector<std::string> EngineFolder::JournalLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(folder_ + "EngineJournal.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> EngineFolder::Calls(const std::string& call) const
{
    std::string prefix = std::to_string(GetCurrentProcessId()) + " ";
    std::vector<std::string> found;
    for (const std::string& line : JournalLines())
        if (line.compare(0, prefix.size(), prefix) == 0 && line.find(" " + call + " ") != std::string::npos)
            found.push_back(line);
    return found;
}

bool EngineFolder::JournalHas(const std::string& piece) const
{
    for (const std::string& line : JournalLines())
        if (line.find(piece) != std::string::npos)
            return true;
    return false;
}

void EngineFolder::Scenario(const std::string& text) const
{
    WriteFile(folder_ + "EngineScenario.ini", text);
}

std::string EngineFolder::Eicar()
{
    std::string head = "X5O!P%@AP[4\\PZX54(P^)7CC)7}$";
    std::string tail = "STANDARD-ANTIVIRUS-TEST-FILE!$H+H*";
    return head + "EICAR-" + tail;
}

void EngineFolder::WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string EngineFolder::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string EngineFolder::Md5Hex(const std::string& content)
{
    uint8_t digest[16];
    qelsig::Md5(reinterpret_cast<const uint8_t*>(content.data()), content.size(), digest);
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : digest) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

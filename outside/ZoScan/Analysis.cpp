// One analysis of ZoScan.dll: collects the elements of every item, reports progress, matches each
// element against the signatures, acts on what it finds (asking first when told to) and reports every
// element through the callback, for exactly the callback types of the configured mask.

#include "Actions.h"
#include "ElementFacts.h"
#include "ScanState.h"
#include "StandInFiles.h"
#include "Targets.h"

#include <windows.h>

#include <cstring>

using standin::HexNumber;
using standin::Number;
using standin::Quoted;

namespace {

constexpr uint32_t kDefaultMask = 0xA7;

class Run {
public:
    Run(const ScanSystem& system)
        : system_(system), settings_(system.settings),
          mask_(static_cast<uint32_t>(settings_.Get(ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES, kDefaultMask))),
          delayMs_(standin::ScenarioInt("Progress", "DelayMs", 0)),
          errorAfter_(standin::ScenarioInt("Events", "ErrorAfter", -1)),
          errorCode_(standin::ScenarioInt("Events", "ErrorCode", ZOSCAN_ERROR_TIMEOUT))
    {
        progress_.size = sizeof progress_;
    }

    int Analyse(const std::vector<ScanItem>& items)
    {
        Event(ZOSCAN_EVENT_BEGIN, 0);
        progress_.steps = static_cast<uint32_t>(items.size());
        for (size_t i = 0; i < items.size() && !stopped_; ++i) {
            progress_.step = static_cast<uint32_t>(i + 1);
            AnalyseItem(items[i]);
        }
        if (!stopped_) {
            progress_.percentInStep = 100;
            Progress(nullptr);
        }
        Event(ZOSCAN_EVENT_END, 0);
        return stopped_ ? ZOSCAN_RESULT_STOPPED : 0;
    }

private:
    int Callback(uint32_t type, void* record, const std::string& what)
    {
        if (!(mask_ & type) || !settings_.callback)
            return 0;
        int answer = settings_.callback(type, record, nullptr);
        standin::Journal("ZoScan", "callback type=" + HexNumber(type) + " " + what + " -> " + Number(answer));
        return answer;
    }

    void Event(uint32_t event, uint32_t code)
    {
        ZoEventRecord record{sizeof(ZoEventRecord), event, code};
        Callback(ZOSCAN_CALLBACK_EVENT, &record, "event=" + Number(event) + " code=" + Number(code));
    }

    // False when the program asked to stop.
    bool Progress(const std::string* name)
    {
        if (delayMs_ > 0)
            Sleep(static_cast<DWORD>(delayMs_));
        progress_.flags = ZOSCAN_PROGRESS_VALID | ZOSCAN_COUNTERS_VALID;
        progress_.itemName = name ? name->c_str() : nullptr;
        std::string what = "item=" + Quoted(progress_.itemName) + " step=" + Number(progress_.step) + "/" +
                           Number(progress_.steps) + " percent=" + Number(progress_.percentInStep);
        if (Callback(ZOSCAN_CALLBACK_PROGRESS, &progress_, what) != 0)
            stopped_ = true;
        return !stopped_;
    }

    bool Wanted(const qelsig::Signature& s) const
    {
        switch (s.type) {
        case ZOSCAN_MALWARE_VIRUS:
        case ZOSCAN_MALWARE_FILTERED: return true;
        case ZOSCAN_MALWARE_JOKE: return settings_.On(ZOSCAN_CFG_ACTIVATE_JOKES_SCAN);
        case ZOSCAN_MALWARE_DIALER: return settings_.On(ZOSCAN_CFG_ACTIVATE_DIALERS_SCAN);
        case ZOSCAN_MALWARE_HACKING_TOOL:
        case ZOSCAN_MALWARE_HACKING_TOOL_2: return settings_.On(ZOSCAN_CFG_CONFIGURE_HACKING_TOOLS_SCAN);
        case ZOSCAN_MALWARE_SECURITY_RISK: return settings_.On(ZOSCAN_CFG_ACTIVATE_SECURITY_RISKS_SCAN);
        case ZOSCAN_MALWARE_SPYWARE:
        case ZOSCAN_MALWARE_SPYWARE_2: return settings_.On(ZOSCAN_CFG_CONFIGURE_SPYWARE_SCAN);
        case ZOSCAN_MALWARE_TRACKING_COOKIE: return settings_.On(ZOSCAN_CFG_ACTIVATE_TRACKING_COOKIE_SCAN);
        default: return settings_.On(ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN);
        }
    }

    static bool Heuristic(uint32_t type)
    {
        return type > ZOSCAN_MALWARE_TRACKING_COOKIE && type != ZOSCAN_MALWARE_FILTERED;
    }

    void AnalyseItem(const ScanItem& item)
    {
        if (item.kind == ZOSCAN_ITEM_DETECTION) {
            progress_.percentInStep = 0;
            if (Progress(nullptr))
                AnalyseDetection(item);
            return;
        }
        TargetCollector collector(settings_);
        switch (item.kind) {
        case ZOSCAN_ITEM_PATH:
        case ZOSCAN_ITEM_NETWORK_DRIVE: collector.Path(Widen(item.path, CP_ACP), item.option != 0); break;
        case ZOSCAN_ITEM_FIXED_DISKS: collector.Disks(false); break;
        case ZOSCAN_ITEM_ALL_DISKS: collector.Disks(true); break;
        case ZOSCAN_ITEM_MEMORY: collector.Memory(); break;
        case ZOSCAN_ITEM_OUTLOOK: collector.MailStores(false); break;
        case ZOSCAN_ITEM_OUTLOOK_EXPRESS: collector.MailStores(true); break;
        default: break;
        }
        progress_.counters[ZOSCAN_COUNT_FOLDERS].count += collector.folders();
        std::vector<Target>& targets = collector.targets();
        for (size_t i = 0; i < targets.size() && !stopped_; ++i) {
            progress_.percentInStep = static_cast<uint32_t>(i * 100 / targets.size());
            std::string name = Narrow(targets[i].path, CP_UTF8);
            if (!Progress(&name))
                break;
            AnalyseTarget(targets[i], nullptr);
        }
    }

    // Analyses one element; with `only`, looks just for that signature number.
    void AnalyseTarget(const Target& target, const uint32_t* only, const std::vector<uint8_t>* givenData = nullptr)
    {
        std::string pathUtf8 = Narrow(target.path, CP_UTF8);
        size_t slash = pathUtf8.find_last_of('\\');
        std::string name = slash == std::string::npos ? pathUtf8 : pathUtf8.substr(slash + 1);
        ZoElementRecord element{};
        element.elementType = target.elementType;
        element.location = target.location;
        element.name = name.c_str();
        element.path = pathUtf8.c_str();
        element.running = target.running;
        element.analysisState = ZOSCAN_STATE_CLEAN;
        ++progress_.counters[target.block].count;
        if (target.path.size() > 4 && Lower(target.path.substr(target.path.size() - 4)) == L".eml")
            ++progress_.counters[ZOSCAN_COUNT_MESSAGES].count;

        std::vector<uint8_t> content;
        unsigned long readError = 0;
        if (!ReadContent(target.path, content, readError)) {
            element.analysisState = ZOSCAN_STATE_UNKNOWN;
            element.errorCode = static_cast<int32_t>(readError);
            Report(element, nullptr, givenData);
            return;
        }
        qelsig::Md5(content.data(), content.size(), element.md5);
        ZoElementData head{static_cast<uint32_t>(std::min<size_t>(content.size(), 64)), content.data()};
        element.data = &head;
        // Statistics facts: executables carry flag 1 and their image kind; every element an identifier
        // derived from its path (version-4 layout).
        std::string kind = ImageKind(content);
        if (!kind.empty()) {
            element.flag = 1;
            element.text32 = kind.c_str();
        }
        qelsig::Md5(reinterpret_cast<const uint8_t*>(pathUtf8.data()), pathUtf8.size(), element.uuid);
        element.uuid[6] = static_cast<uint8_t>((element.uuid[6] & 0x0F) | 0x40);
        element.uuid[8] = static_cast<uint8_t>((element.uuid[8] & 0x3F) | 0x80);

        qelsig::Match match = qelsig::Find(system_.signatures, content, [&](const qelsig::Signature& s) {
            return Wanted(s) && (!only || s.number == *only);
        });
        if (!match.signature) {
            Report(element, nullptr, givenData);
            return;
        }
        const qelsig::Signature& s = *match.signature;
        DWORD attributes = GetFileAttributesW(target.path.c_str());
        std::string signatureText = "QS" + std::string(14 - std::min<size_t>(14, Number(s.number).size()), '0') +
                                    Number(s.number);
        ZoDetectionNode node{};
        node.malwareType = s.type;
        node.subType = s.subType;
        node.name = s.name.c_str();
        node.malwareNumber = s.number;
        node.signatureText = signatureText.c_str();
        node.running = target.running;
        node.hidden = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) &&
                      settings_.Get(ZOSCAN_CFG_HIDDEN_INFO_DETECTION, 0) != 0;
        node.word15 = PossibleActions(s);
        element.analysisState = ZOSCAN_STATE_INFECTED;

        Infection infection{target.path, &content, &s, UpperHex(element.md5, 16)};
        uint32_t action = Decide(element, node, s);
        ActionOutcome outcome = ApplyAction(action, infection, settings_);
        if (outcome.state == ZOSCAN_STATE_INFECTED && action != ZOSCAN_ACTION_IGNORE &&
            settings_.Get(ZOSCAN_CFG_ENABLE_SECOND_ACTION, 0)) {
            action = static_cast<uint32_t>(settings_.Get(ZOSCAN_CFG_SECOND_ACTION, ZOSCAN_ACTION_IGNORE));
            ActionOutcome second = ApplyAction(action, infection, settings_);
            if (second.state != ZOSCAN_STATE_INFECTED || !second.error)
                outcome = second;
        }
        element.analysisState = outcome.state;
        element.rebootPending = outcome.rebootPending;
        element.backupMade = outcome.backupMade;
        element.errorCode = outcome.error;
        node.actionWord = action;
        node.resultCode = outcome.state;
        node.resultWord = static_cast<uint32_t>(outcome.error);
        std::vector<uint8_t> data = givenData ? *givenData : DetectionData(s, pathUtf8);
        Report(element, &node, &data);
    }

    uint32_t Decide(ZoElementRecord& element, ZoDetectionNode& node, const qelsig::Signature& s)
    {
        if (s.type == ZOSCAN_MALWARE_FILTERED)
            return ZOSCAN_ACTION_IGNORE;
        uint32_t first = static_cast<uint32_t>(settings_.Get(ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_IGNORE));
        if (first != ZOSCAN_ACTION_ASK) {
            if (Heuristic(s.type))
                return static_cast<uint32_t>(settings_.Get(ZOSCAN_CFG_HEURISTIC_SCAN_ACTION, first));
            if (node.hidden)
                return static_cast<uint32_t>(settings_.Get(ZOSCAN_CFG_HIDDEN_DETECTION_ACTION, first));
            return first;
        }
        ZoQuestionRecord question{};
        question.size = sizeof question;
        question.element = &element;
        question.detection = &node;
        question.action = ZOSCAN_ACTION_IGNORE;
        question.malwareType = s.type;
        question.subType = s.subType;
        question.malwareName = s.name.c_str();
        question.possibleActions = node.word15;
        if (!(mask_ & ZOSCAN_CALLBACK_QUESTION))
            return ZOSCAN_ACTION_IGNORE;
        Callback(ZOSCAN_CALLBACK_QUESTION, &question,
                 "element=" + Quoted(element.path) + " malware=" + Quoted(s.name.c_str()) +
                     " possible=" + Number(question.possibleActions));
        standin::Journal("ZoScan", "answer action=" + Number(question.action));
        uint32_t answer = question.action;
        bool possible = (answer == ZOSCAN_ACTION_DISINFECT && (question.possibleActions & ZOSCAN_POSSIBLE_DISINFECT)) ||
                        (answer >= ZOSCAN_ACTION_MOVE_QUARANTINE && answer <= ZOSCAN_ACTION_COPY_QUARANTINE);
        return possible ? answer : ZOSCAN_ACTION_IGNORE;
    }

    void Report(ZoElementRecord& element, ZoDetectionNode* node, const std::vector<uint8_t>* data)
    {
        ZoResultRecord result{};
        result.size = sizeof result;
        result.element = &element;
        result.detections = node ? 1 : 0;
        result.first = node;
        if (data && !data->empty()) {
            result.extraData = data->data();
            result.extraLength = static_cast<uint32_t>(data->size());
        }
        std::string what = "element=" + Quoted(element.path) + " type=" + Number(element.elementType) +
                            " location=" + HexNumber(element.location) + " state=" + HexNumber(element.analysisState) +
                            " reboot=" + Number(element.rebootPending) + " detections=" + Number(result.detections);
        if (node)
            what += " malware=" + Quoted(node->name) + " mtype=" + Number(node->malwareType) + " subtype=" +
                    Number(node->subType) + " action=" + Number(node->actionWord);
        if (result.extraLength)
            what += " data=" + standin::Hex(result.extraData, result.extraLength);
        Callback(ZOSCAN_CALLBACK_RESULT, &result, what);
        ++analysed_;
        if (errorAfter_ >= 0 && analysed_ == errorAfter_)
            Event(ZOSCAN_EVENT_ERROR, static_cast<uint32_t>(errorCode_));
    }

    // A detection handed back by the program: the engine finds the element again from its own data and
    // acts as configured; the result carries the same data.
    void AnalyseDetection(const ScanItem& item)
    {
        uint32_t number = 0;
        std::string pathUtf8;
        if (ParseDetectionData(item.data, number, pathUtf8)) {
            Target target;
            target.path = Widen(pathUtf8, CP_UTF8);
            if (GetFileAttributesW(target.path.c_str()) != INVALID_FILE_ATTRIBUTES) {
                AnalyseTarget(target, &number, &item.data);
                return;
            }
        }
        ZoElementRecord element{};
        element.elementType = ZOSCAN_ELEMENT_FILE;
        element.location = ZOSCAN_LOCATION_DISK;
        element.analysisState = ZOSCAN_STATE_UNKNOWN;
        element.errorCode = pathUtf8.empty() ? ERROR_INVALID_DATA : ERROR_FILE_NOT_FOUND;
        element.path = pathUtf8.empty() ? nullptr : pathUtf8.c_str();
        Report(element, nullptr, &item.data);
    }

    const ScanSystem& system_;
    const AnalysisSettings& settings_;
    uint32_t mask_;
    int delayMs_;
    int errorAfter_;
    int errorCode_;
    ZoProgressRecord progress_{};
    bool stopped_ = false;
    int analysed_ = 0;
};

} // namespace

int RunAnalysis(const ScanSystem& system, const std::vector<ScanItem>& items)
{
    Run run(system);
    return run.Analyse(items);
}

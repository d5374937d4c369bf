// Records, item kinds, settings and values exchanged with the scanning engine (zokas.dll and ZoScan.dll).
//
// Shared by the engine stand-ins and by the client's engine adapter. The engine is a 32-bit component:
// every record below has a fixed 32-bit layout (little-endian 32-bit words and 32-bit pointers), which is
// asserted for i686 builds. An x86_64 build of the same sources (used for tests only) keeps the field
// order with native pointers, so the fixed offsets are asserted only where pointers are 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- Interface ------------------------------------------------------------------------------------------

constexpr uint32_t ZOSCAN_INTERFACE_VERSION = 15134; // 0x3B1E, passed to ZOScan_InitializeAPI

// Analysable item kinds (ZOScan_AddAnalizableItem).
constexpr uint32_t ZOSCAN_ITEM_MEMORY = 2;
constexpr uint32_t ZOSCAN_ITEM_OUTLOOK = 3;
constexpr uint32_t ZOSCAN_ITEM_OUTLOOK_EXPRESS = 4;
constexpr uint32_t ZOSCAN_ITEM_FIXED_DISKS = 6;
constexpr uint32_t ZOSCAN_ITEM_ALL_DISKS = 8;
constexpr uint32_t ZOSCAN_ITEM_NETWORK_DRIVE = 0x10000;
constexpr uint32_t ZOSCAN_ITEM_PATH = 0x11002;
constexpr uint32_t ZOSCAN_ITEM_DETECTION = 0x50000;

// Callback types (ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES is a mask of them).
constexpr uint32_t ZOSCAN_CALLBACK_PROGRESS = 1;
constexpr uint32_t ZOSCAN_CALLBACK_GENERIC = 2;
constexpr uint32_t ZOSCAN_CALLBACK_QUESTION = 4;
constexpr uint32_t ZOSCAN_CALLBACK_EVENT = 0x20;
constexpr uint32_t ZOSCAN_CALLBACK_RESULT = 0x80;

// Events (event record).
constexpr uint32_t ZOSCAN_EVENT_BEGIN = 1;
constexpr uint32_t ZOSCAN_EVENT_END = 2;
constexpr uint32_t ZOSCAN_EVENT_ERROR = 3;
constexpr uint32_t ZOSCAN_ERROR_TIMEOUT = 25;

// Result of ZOScan_Analyse when the progress callback asked to stop.
constexpr int ZOSCAN_RESULT_STOPPED = 1223; // ERROR_CANCELLED

// Settings (ZOScan_ConfigureAnalysis items).
constexpr uint32_t ZOSCAN_CFG_FIRST_ACTION = 0x0001;
constexpr uint32_t ZOSCAN_CFG_ENABLE_SECOND_ACTION = 0x0002;
constexpr uint32_t ZOSCAN_CFG_SECOND_ACTION = 0x0003;
constexpr uint32_t ZOSCAN_CFG_HEURISTIC_SCAN_ACTION = 0x0004;
constexpr uint32_t ZOSCAN_CFG_ENABLE_CONTAINER_ACTION = 0x0006;
constexpr uint32_t ZOSCAN_CFG_CONTAINER_ACTION = 0x0007;
constexpr uint32_t ZOSCAN_CFG_HIDDEN_DETECTION_ACTION = 0x0008;
constexpr uint32_t ZOSCAN_CFG_SCAN_COMPRESSED_FILES = 0x0401;
constexpr uint32_t ZOSCAN_CFG_SCAN_NETWORK = 0x0402;
constexpr uint32_t ZOSCAN_CFG_SCAN_EMAIL_FILES = 0x0404;
constexpr uint32_t ZOSCAN_CFG_EXCHANGE_PROFILE_TYPE = 0x0406;
constexpr uint32_t ZOSCAN_CFG_EXPRESS_PROFILE_TYPE = 0x0408;
constexpr uint32_t ZOSCAN_CFG_CONFIGURE_DETECTION_HASH = 0x040B;
constexpr uint32_t ZOSCAN_CFG_MAPI_SESSION_FLAGS = 0x040C;
constexpr uint32_t ZOSCAN_CFG_MAX_SIZE_PACKED_FILE = 0x040E;
constexpr uint32_t ZOSCAN_CFG_USE_REMOTE_THREAD = 0x0411;
constexpr uint32_t ZOSCAN_CFG_QEM_CLID = 0x0413;
constexpr uint32_t ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN = 0x0701;
constexpr uint32_t ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL = 0x0702;
constexpr uint32_t ZOSCAN_CFG_CONFIGURE_SPYWARE_SCAN = 0x0703;
constexpr uint32_t ZOSCAN_CFG_ACTIVATE_JOKES_SCAN = 0x0704;
constexpr uint32_t ZOSCAN_CFG_ACTIVATE_DIALERS_SCAN = 0x0705;
constexpr uint32_t ZOSCAN_CFG_CONFIGURE_HACKING_TOOLS_SCAN = 0x0706;
constexpr uint32_t ZOSCAN_CFG_ACTIVATE_SECURITY_RISKS_SCAN = 0x0707;
constexpr uint32_t ZOSCAN_CFG_ACTIVATE_TRACE_SYSTEM_SCAN = 0x0708;
constexpr uint32_t ZOSCAN_CFG_ACTIVATE_TRACKING_COOKIE_SCAN = 0x070A;
constexpr uint32_t ZOSCAN_CFG_CONFIGURE_HEURISTIC_MODE = 0x070C;
constexpr uint32_t ZOSCAN_CFG_STEALTH_MODE = 0x070D;
constexpr uint32_t ZOSCAN_CFG_HIDDEN_INFO_DETECTION = 0x070E;
constexpr uint32_t ZOSCAN_CFG_MULTIPLE_TRACE_DETECT = 0x0710;
constexpr uint32_t ZOSCAN_CFG_SCAN_ALL_EXTENSIONS = 0x0801;
constexpr uint32_t ZOSCAN_CFG_SCAN_FILES_WITHOUT_EXTENSION = 0x0802;
constexpr uint32_t ZOSCAN_CFG_EXCLUDE_EXTENSIONS_LIST = 0x0804;
constexpr uint32_t ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST = 0x0805;
constexpr uint32_t ZOSCAN_CFG_EXCLUDE_CURRENT_PROCESS = 0x0F01;
constexpr uint32_t ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK = 0x2001;
constexpr uint32_t ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES = 0x2002;
constexpr uint32_t ZOSCAN_CFG_ACTIVATE_CPU_USE_CONTROL = 0x3001;
constexpr uint32_t ZOSCAN_CFG_CPU_LOAD_CONTROL_MODE = 0x3002;
constexpr uint32_t ZOSCAN_CFG_CONFIGURE_QUARANTINE_SYSTEM = 0x5001;
constexpr uint32_t ZOSCAN_CFG_ACTIVATE_VELLSCAN = 0x7001;
constexpr uint32_t ZOSCAN_CFG_ACTIVATE_QUENTH = 0x7002;
constexpr uint32_t ZOSCAN_CFG_ACTIVATE_HEURISTIC_FILTER = 0x7003;
constexpr uint32_t ZOSCAN_CFG_PRODUCT_ID = 0x7006;
constexpr uint32_t ZOSCAN_CFG_SUBPRODUCT_ID = 0x7007;
constexpr uint32_t ZOSCAN_CFG_MCUID = 0x7008;
constexpr uint32_t ZOSCAN_CFG_MAX_CONNECTIONS_PER_DAY = 0x7009;
constexpr uint32_t ZOSCAN_CFG_COMMUNICATIONS_OBJECT = 0x700A;

// Actions.
constexpr uint32_t ZOSCAN_ACTION_IGNORE = 1;
constexpr uint32_t ZOSCAN_ACTION_DISINFECT = 2;
constexpr uint32_t ZOSCAN_ACTION_MOVE_QUARANTINE = 3;
constexpr uint32_t ZOSCAN_ACTION_DELETE = 4;
constexpr uint32_t ZOSCAN_ACTION_RENAME = 5;
constexpr uint32_t ZOSCAN_ACTION_COPY_QUARANTINE = 6;
constexpr uint32_t ZOSCAN_ACTION_ASK = 0x100;

// Possible-actions bits of a question.
constexpr uint32_t ZOSCAN_POSSIBLE_DISINFECT = 1;
constexpr uint32_t ZOSCAN_POSSIBLE_MOVE_QUARANTINE = 2;
constexpr uint32_t ZOSCAN_POSSIBLE_ERASE = 4;
constexpr uint32_t ZOSCAN_POSSIBLE_IGNORE = 8;
constexpr uint32_t ZOSCAN_POSSIBLE_RENAME = 16;
constexpr uint32_t ZOSCAN_POSSIBLE_COPY_QUARANTINE = 32;

// Element types.
constexpr uint32_t ZOSCAN_ELEMENT_FILE = 3;
constexpr uint32_t ZOSCAN_ELEMENT_FOLDER = 4;
constexpr uint32_t ZOSCAN_ELEMENT_EMAIL = 5;
constexpr uint32_t ZOSCAN_ELEMENT_CONTAINER = 7;
constexpr uint32_t ZOSCAN_ELEMENT_PROCESS = 11;

// Location words of an element.
constexpr uint32_t ZOSCAN_LOCATION_SYSTEM = 0x80000001;  // memory: processes and their modules
constexpr uint32_t ZOSCAN_LOCATION_DISK = 0x80000002;    // files on disks and paths
constexpr uint32_t ZOSCAN_LOCATION_MAIL = 0x80000003;
constexpr uint32_t ZOSCAN_LOCATION_OUTLOOK = 0x80000004;
constexpr uint32_t ZOSCAN_LOCATION_OUTLOOK_EXPRESS = 0x80000005;

// Analysis states of an element and of a detection.
constexpr uint32_t ZOSCAN_STATE_DISINFECTED = 2;
constexpr uint32_t ZOSCAN_STATE_QUARANTINED = 3;
constexpr uint32_t ZOSCAN_STATE_ERASED = 4;
constexpr uint32_t ZOSCAN_STATE_RENAMED = 5;
constexpr uint32_t ZOSCAN_STATE_COPIED = 6;
constexpr uint32_t ZOSCAN_STATE_UNKNOWN = 0x1000;
constexpr uint32_t ZOSCAN_STATE_CLEAN = 0x1001;
constexpr uint32_t ZOSCAN_STATE_INFECTED = 0x1002;
constexpr uint32_t ZOSCAN_STATE_POSSIBLY_INFECTED = 0x1003;

// Malware types of a detection (others count as heuristic detections).
constexpr uint32_t ZOSCAN_MALWARE_VIRUS = 1;
constexpr uint32_t ZOSCAN_MALWARE_JOKE = 2;
constexpr uint32_t ZOSCAN_MALWARE_DIALER = 3;
constexpr uint32_t ZOSCAN_MALWARE_HACKING_TOOL = 4;
constexpr uint32_t ZOSCAN_MALWARE_HACKING_TOOL_2 = 5;
constexpr uint32_t ZOSCAN_MALWARE_SECURITY_RISK = 6;
constexpr uint32_t ZOSCAN_MALWARE_SPYWARE = 7;
constexpr uint32_t ZOSCAN_MALWARE_SPYWARE_2 = 8;
constexpr uint32_t ZOSCAN_MALWARE_TRACKING_COOKIE = 9;
constexpr uint32_t ZOSCAN_MALWARE_SUSPICIOUS = 13;
constexpr uint32_t ZOSCAN_MALWARE_FILTERED = 16;

// ---- Initialisation records -----------------------------------------------------------------------------

// AS_InitializeAnalysisSystem(record, signaturePath, 1).
struct ZoAnalysisSystemRecord {
    uint32_t size;              // 12
    const char* installationId; // 33-byte buffer, NUL-terminated
    const char* appRefVersion;  // 33-byte buffer, at most 32 characters
};

#pragma pack(push, 1)
// ZOScan_InitializeAnalysisSystem(record): 78 bytes, packed.
struct ZoScanSystemRecord {
    uint32_t size;             // sizeof(ZoScanSystemRecord): 78
    char* folder1;             // the program's folder
    char* folder2;             // the program's folder
    char installationId[33];
    char appRefVersion[33];
};
#pragma pack(pop)

// ---- Items ---------------------------------------------------------------------------------------------

// Path item (kinds 0x11002 and 0x10000): 28 bytes, other bytes zero.
struct ZoPathItemRecord {
    uint32_t size;      // 28
    const char* path;   // ANSI, NUL-terminated
    uint32_t reserved;  // 0
    uint32_t option;    // 1 path analysis and network drives
    uint32_t unused[3];
};

// Detection item (kind 0x50000): the data the engine gave with an earlier detection.
struct ZoDetectionDataRecord {
    const uint8_t* data;
    uint32_t length;
};

struct ZoMalwareRecord { // 76 bytes, all zero but type and sub-type
    uint32_t type;
    uint32_t subType;
    uint32_t unused[17];
};

struct ZoDetectionItemRecord {
    uint32_t size;      // 28
    uint32_t unused[4];
    const ZoMalwareRecord* malware;
    const ZoDetectionDataRecord* data;
};

// ---- Callback records ----------------------------------------------------------------------------------

typedef int(__stdcall* ZoScanCallback)(uint32_t type, void* record, void* context);

constexpr uint32_t ZOSCAN_PROGRESS_VALID = 0x8;
constexpr uint32_t ZOSCAN_COUNTERS_VALID = 0x2;

// Counter blocks of the progress record; the first word of each is the count of its class.
enum ZoCounterBlock : uint32_t {
    ZOSCAN_COUNT_FILES = 0,       // plain files
    ZOSCAN_COUNT_PROCESSES = 1,   // processes and modules
    ZOSCAN_COUNT_MESSAGES = 2,    // mail messages
    ZOSCAN_COUNT_FOLDERS = 3,     // folders walked (not elements)
    ZOSCAN_COUNT_PACKED = 4,      // files inside containers
    ZOSCAN_COUNT_REGISTRY = 5,
    ZOSCAN_COUNT_COOKIES = 6,
    ZOSCAN_COUNT_BOOT = 7,
    ZOSCAN_COUNT_MAIL_FILES = 8,  // mail store files
    ZOSCAN_COUNTER_BLOCKS = 9
};

struct ZoCounterBlockRecord {
    uint32_t count;
    uint32_t unused[29];
};

struct ZoProgressRecord { // type 1: 1108 bytes
    uint32_t size;
    uint32_t flags;
    const char* itemName; // UTF-8, may be null
    ZoCounterBlockRecord counters[ZOSCAN_COUNTER_BLOCKS];
    uint32_t step;        // from 1
    uint32_t steps;
    uint32_t reserved;
    uint32_t percentInStep;
};

struct ZoEventRecord { // type 0x20: 12 bytes
    uint32_t size;
    uint32_t event;
    uint32_t errorCode;
};

// Element data block (element word 12).
struct ZoElementData {
    uint32_t length;
    const uint8_t* data;
};

struct ZoElementRecord {
    uint32_t elementType;       // word 0
    uint32_t location;          // word 1
    const char* name;           // word 2
    const char* path;           // word 3, UTF-8
    const char* container;      // word 4: containing element (mail: the store)
    const char* subText;        // word 5: mail: the message's subject
    uint32_t flag;              // word 6
    uint8_t md5[16];            // words 7-10
    uint32_t reserved11;
    const ZoElementData* data;  // word 12
    uint32_t reserved13[19];
    const char* text32;         // word 32
    uint32_t reserved33[9];
    uint32_t analysisState;     // word 42
    uint32_t rebootPending;     // word 43
    uint32_t backupMade;        // word 44
    int32_t errorCode;          // word 45
    uint8_t uuid[16];           // words 46-49
    uint32_t running;           // word 50
    uint32_t lightScanState;    // word 51
    uint32_t reserved52[12];
};

struct ZoDetectionNode {
    uint32_t malwareType;       // word 0
    uint32_t subType;           // word 1
    const char* name;           // word 2
    uint32_t hidden;            // word 3
    uint32_t malwareNumber;     // word 4
    const char* signatureText;  // word 5: 16 bytes identifying the signature
    uint32_t reserved6[3];
    uint32_t running;           // word 9
    uint32_t actionWord;        // word 10: action taken
    uint32_t resultWord;        // word 11
    uint32_t reserved12[2];
    uint32_t resultCode;        // word 14: analysis state after the action
    uint32_t word15;            // word 15: possible actions
    uint32_t reserved16[3];
    ZoDetectionNode* next;      // word 19
};

struct ZoResultRecord { // type 0x80
    uint32_t size;
    ZoElementRecord* element;
    uint32_t detections;
    ZoDetectionNode* first;
    const uint8_t* extraData;
    uint32_t extraLength;
};

struct ZoQuestionRecord { // type 4
    uint32_t size;
    ZoElementRecord* element;
    ZoDetectionNode* detection;
    uint32_t action;            // the program writes its answer here
    uint32_t reserved16;
    uint32_t malwareType;
    uint32_t subType;
    const char* malwareName;
    uint32_t reserved32[10];
    uint32_t possibleActions;
    uint32_t reserved76;
};

// ---- Layout checks ---------------------------------------------------------------------------------------

static_assert(sizeof(ZoMalwareRecord) == 76);
static_assert(sizeof(ZoEventRecord) == 12);
static_assert(sizeof(ZoCounterBlockRecord) == 120);
#ifndef _WIN64
static_assert(offsetof(ZoElementRecord, md5) == 28);
static_assert(sizeof(ZoAnalysisSystemRecord) == 12);
static_assert(sizeof(ZoScanSystemRecord) == 78);
static_assert(offsetof(ZoScanSystemRecord, installationId) == 12);
static_assert(offsetof(ZoScanSystemRecord, appRefVersion) == 45);
static_assert(sizeof(ZoPathItemRecord) == 28 && offsetof(ZoPathItemRecord, option) == 12);
static_assert(sizeof(ZoDetectionDataRecord) == 8);
static_assert(sizeof(ZoDetectionItemRecord) == 28);
static_assert(offsetof(ZoDetectionItemRecord, malware) == 20 && offsetof(ZoDetectionItemRecord, data) == 24);
static_assert(sizeof(ZoProgressRecord) == 1108);
static_assert(offsetof(ZoProgressRecord, itemName) == 8 && offsetof(ZoProgressRecord, counters) == 12);
static_assert(offsetof(ZoProgressRecord, step) == 1092 && offsetof(ZoProgressRecord, steps) == 1096);
static_assert(offsetof(ZoProgressRecord, percentInStep) == 1104);
static_assert(offsetof(ZoElementRecord, name) == 8 && offsetof(ZoElementRecord, path) == 12);
static_assert(offsetof(ZoElementRecord, container) == 16 && offsetof(ZoElementRecord, subText) == 20);
static_assert(offsetof(ZoElementRecord, flag) == 24 && offsetof(ZoElementRecord, data) == 48);
static_assert(offsetof(ZoElementRecord, text32) == 128);
static_assert(offsetof(ZoElementRecord, analysisState) == 168 && offsetof(ZoElementRecord, rebootPending) == 172);
static_assert(offsetof(ZoElementRecord, backupMade) == 176 && offsetof(ZoElementRecord, errorCode) == 180);
static_assert(offsetof(ZoElementRecord, uuid) == 184 && offsetof(ZoElementRecord, running) == 200);
static_assert(offsetof(ZoElementRecord, lightScanState) == 204 && sizeof(ZoElementRecord) == 256);
static_assert(offsetof(ZoDetectionNode, name) == 8 && offsetof(ZoDetectionNode, hidden) == 12);
static_assert(offsetof(ZoDetectionNode, malwareNumber) == 16 && offsetof(ZoDetectionNode, signatureText) == 20);
static_assert(offsetof(ZoDetectionNode, running) == 36 && offsetof(ZoDetectionNode, actionWord) == 40);
static_assert(offsetof(ZoDetectionNode, resultWord) == 44 && offsetof(ZoDetectionNode, resultCode) == 56);
static_assert(offsetof(ZoDetectionNode, word15) == 60 && offsetof(ZoDetectionNode, next) == 76);
static_assert(offsetof(ZoResultRecord, element) == 4 && offsetof(ZoResultRecord, detections) == 8);
static_assert(offsetof(ZoResultRecord, first) == 12 && offsetof(ZoResultRecord, extraData) == 16);
static_assert(offsetof(ZoResultRecord, extraLength) == 20 && sizeof(ZoResultRecord) == 24);
static_assert(offsetof(ZoQuestionRecord, element) == 4 && offsetof(ZoQuestionRecord, action) == 12);
static_assert(offsetof(ZoQuestionRecord, malwareType) == 20 && offsetof(ZoQuestionRecord, malwareName) == 28);
static_assert(offsetof(ZoQuestionRecord, possibleActions) == 72 && sizeof(ZoQuestionRecord) == 80);
#endif

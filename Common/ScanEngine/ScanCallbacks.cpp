#include "ScanCallbacks.h"

#include "AdapterState.h"
#include "DetectionHandling.h"
#include "KVLog.h"
#include "ScanHooks.h"
#include "ScanResultData.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "ZoScanRecords.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

void RaiseErrorReport(int code, const std::wstring& text, int flag)
{
    ScanErrorRecord record;
    record.code = code;
    record.systemError = GetLastError();
    record.created = time(nullptr);
    record.text = text;
    record.flag = flag;
    if (Adapter().results)
        Adapter().results->ReportError(record);
}

uint32_t ProgressPercent(uint32_t step, uint32_t steps, uint32_t percentInStep)
{
    if (steps == 0)
        steps = 1;
    if (step == 0)
        step = 1;
    // In 64 bits: a step count far beyond the steps must not wrap round to a small percent.
    uint64_t percent = (static_cast<uint64_t>(step) - 1) * 100 / steps + percentInStep / steps;
    return percent > 100 ? 100 : static_cast<uint32_t>(percent);
}

namespace {

// The item name for the progress displays: UTF-8 turned into the ANSI code page (at most 259
// characters), or copied as it comes.
std::string ItemName(const char* name, bool convert)
{
    if (!name)
        return std::string();
    std::string out(name, strnlen(name, 4096));
    if (convert) {
        // On a failed conversion the name is shown as it came.
        std::wstring wide;
        int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, out.c_str(), -1, nullptr, 0);
        if (units > 0) {
            wide.resize(units);
            MultiByteToWideChar(CP_UTF8, 0, out.c_str(), -1, &wide[0], units);
            int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
            if (bytes > 0) {
                std::vector<char> ansi(bytes);
                WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(), bytes, nullptr, nullptr);
                out = ansi.data();
            }
        }
    }
    if (out.size() > 259)
        out.resize(259);
    return out;
}

void ShowProgress(const std::string& item, uint32_t percent)
{
    ScanHooks& hooks = Hooks();
    if (Adapter().mailAnalysis) {
        if (hooks.mailBlockOpen && hooks.mailBlockOpen() && hooks.mailProgress)
            hooks.mailProgress(item.c_str(), 0, percent);
        return;
    }
    if (hooks.progressItem)
        hooks.progressItem(item.c_str());
    if (hooks.progressPercent)
        hooks.progressPercent(percent);
}

void CountElements(const ZoProgressRecord& progress)
{
    ScanResultData* results = Adapter().results;
    if (!results)
        return;
    unsigned long elements = 0;
    for (uint32_t i = 0; i < ZOSCAN_COUNTER_BLOCKS; ++i)
        if (i != ZOSCAN_COUNT_FOLDERS)
            elements += progress.counters[i].count;
    results->analysis.elements = elements;
    results->analysis.files = progress.counters[ZOSCAN_COUNT_FILES].count + progress.counters[ZOSCAN_COUNT_PACKED].count +
                              progress.counters[ZOSCAN_COUNT_MAIL_FILES].count;
    results->analysis.messages = progress.counters[ZOSCAN_COUNT_MESSAGES].count;
}

void SetStop()
{
    InterlockedExchange(&Adapter().stopRequested, 1);
}

void Keep()
{
    if (!Adapter().pending)
        Adapter().pending = std::current_exception();
}

} // namespace

int ProgressHandler(const void* record, bool intensive)
{
    const ZoProgressRecord& progress = *static_cast<const ZoProgressRecord*>(record);
    if (progress.size != sizeof(ZoProgressRecord)) {
        fputs("\tERROR: estructura de datos desconocida.\n", stderr);
        return 1;
    }
    if (progress.flags & ZOSCAN_PROGRESS_VALID)
        ShowProgress(ItemName(progress.itemName, !intensive),
                     ProgressPercent(progress.step, progress.steps, progress.percentInStep));
    else
        fputs("No progreso.\n", stdout);
    if (progress.flags & ZOSCAN_COUNTERS_VALID)
        CountElements(progress);
    return 0;
}

void EventHandler(const void* record)
{
    const ZoEventRecord& event = *static_cast<const ZoEventRecord*>(record);
    if (event.size != sizeof(ZoEventRecord))
        return;
    AdapterState& state = Adapter();
    const char* module = state.module();
    KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Callback event notification. Type: %d", event.event);
    switch (event.event) {
    case ZOSCAN_EVENT_BEGIN:
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Callback event notification: begin analysis.");
        break;
    case ZOSCAN_EVENT_END:
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Callback event notification: End analysis.");
        break;
    case ZOSCAN_EVENT_ERROR:
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Callback event notification: Error event. Error code :%d",
                       event.errorCode);
        if (event.errorCode == ZOSCAN_ERROR_TIMEOUT) {
            if (!state.timeoutReported) {
                KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "TIMEOUT from analysis. Finishing...");
                RaiseErrorReport(3016, L"Timeout error from analysis", 0);
                InterlockedExchange(&state.timedOut, 1);
                state.timeoutReported = true;
            }
            SetStop();
        }
        break;
    default:
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Unknown event.");
        break;
    }
}

namespace {

// The engine's callback for both kinds of analysis: the intensive analysis has its own progress and
// result handlers and does not look at the stop flag.
int Dispatch(uint32_t type, void* record, bool intensive)
{
    AdapterState& state = Adapter();
    try {
        switch (type) {
        case ZOSCAN_CALLBACK_PROGRESS: {
            if (!intensive) {
                ScanHooks& hooks = Hooks();
                if (state.mailAnalysis && hooks.mailBlockOpen && hooks.mailBlockOpen() && hooks.mailStopRequest &&
                    hooks.mailStopRequest() == 1)
                    SetStop();
                if (state.stopRequested)
                    return 1;
            }
            if (state.pending)
                return 1; // a callback failed: end the analysis, the scan rethrows
            return ProgressHandler(record, intensive);
        }
        case ZOSCAN_CALLBACK_GENERIC:
            return 0;
        case ZOSCAN_CALLBACK_QUESTION:
            questionHandler(static_cast<ZoQuestionRecord*>(record));
            return 0;
        case ZOSCAN_CALLBACK_EVENT:
            EventHandler(record);
            return 0;
        case ZOSCAN_CALLBACK_RESULT: {
            const ZoResultRecord* result = static_cast<const ZoResultRecord*>(record);
            if (intensive)
                intensiveResultHandler(result);
            else if (state.config && state.config->disinfection)
                disinfectionResultHandler(result);
            else
                auditResultHandler(result);
            return 0;
        }
        default:
            fputs("Tipo de callback desconocido.\n", stdout);
            return 0;
        }
    } catch (...) {
        Keep();
        return 1;
    }
}

} // namespace

int __stdcall standardCallback(uint32_t type, void* record, void* /*context*/)
{
    return Dispatch(type, record, false);
}

int __stdcall intensiveCallback(uint32_t type, void* record, void* /*context*/)
{
    return Dispatch(type, record, true);
}

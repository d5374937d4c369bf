// The run's progress record, its writers and its thread.
#include "RunProgress.h"

#include "FtpTransport.h"
#include "KVLog.h"
#include "ProgressFile.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"

#define PROGRESS_LOG(...) KV_GenerateLog(config.logModule.c_str(), KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

namespace {

struct RunProgressState {
    ProgressRecord record = {};    // the last record written at start
    bool written = false;
    FtpDestination ftp;            // for the FTP writer
    ProgressThreadState thread;
    HANDLE handle = nullptr;
};

RunProgressState& Run()
{
    static RunProgressState& state = *new RunProgressState;
    return state;
}

// Every caller holds the progress lock, under which the destination is also replaced.
int WriteByFtp(const ProgressRecord& record)
{
    return WriteProgressFtp(Run().ftp, record);
}

// Writes under the progress lock; the thread's stop flag is set in the same hold when final.
int WriteLocked(ProgressWriter write, const ProgressRecord& record, bool final)
{
    LockProgressWrites();
    if (final)
        Run().thread.stopped = 1;
    int result = 1;
    try {
        result = write(record);
    } catch (...) {
    }
    UnlockProgressWrites();
    return result;
}

} // namespace

ProgressWriter ProgressWriterFor(const TessalyConfig& config)
{
    if (!config.reportsFolder.empty())
        return WriteProgressFolder;
    FtpDestination ftp;
    if (config.reportsFtp.empty() || FtpDestinationFrom(config, ftp) != 0)
        return nullptr;
    // A progress thread that outlived its stop may still be uploading with the current destination.
    LockProgressWrites();
    Run().ftp = ftp;
    UnlockProgressWrites();
    return WriteByFtp;
}

bool WriteRunProgress(const TessalyConfig& config, int status, int percentage)
{
    KV_SCOPE(config.logModule.c_str(), "WriteRunProgress()");
    RunProgressState& run = Run();
    ProgressWriter write = ProgressWriterFor(config);
    if (!write) {
        PROGRESS_LOG("No folder or FTP destination for the progress file");
        return false;
    }
    if (!FillProgressRecord(run.record, config, status)) {
        PROGRESS_LOG("No instance identifier yet: no progress record written");
        return false;
    }
    run.record.percentage = percentage;
    // The starting record is the first write of a run.
    if (write == WriteProgressFolder && status == PROGRESS_STARTING)
        RemoveStaleProgress(run.record);
    const int result = WriteLocked(write, run.record, false);
    PROGRESS_LOG("Progress record with status %d written: %s", status, result == 0 ? "yes" : "no");
    run.written = run.written || result == 0;
    return result == 0;
}

void StartRunProgressThread(const TessalyConfig& config, const volatile LONG* percentage, DWORD intervalMs)
{
    RunProgressState& run = Run();
    ProgressWriter write = ProgressWriterFor(config);
    if (!run.written || !write || run.handle)
        return;
    run.thread.record = run.record;
    run.thread.percentage = percentage;
    run.thread.write = write;
    run.thread.intervalMs = intervalMs;
    run.thread.stopped = 0;
    run.thread.stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    run.handle = CreateThread(nullptr, 0, ProgressThread, &run.thread, 0, nullptr);
    if (!run.handle)
        PROGRESS_LOG("Could not start the progress thread. Error: %lu", GetLastError());
}

bool StopRunProgressThread(DWORD waitMs)
{
    RunProgressState& run = Run();
    if (!run.handle) {
        LockProgressWrites();
        run.thread.stopped = 1;
        UnlockProgressWrites();
        return true;
    }
    StopProgressThread(run.thread, run.handle, waitMs);
    if (WaitForSingleObject(run.handle, 0) != WAIT_OBJECT_0)
        return false; // its handles stay: it may still wait on them
    CloseHandle(run.handle);
    CloseHandle(run.thread.stopEvent);
    run.handle = nullptr;
    run.thread.stopEvent = nullptr;
    return true;
}

bool WriteFinalRunProgress(const TessalyConfig& config, int progressStatus, int percentage)
{
    KV_SCOPE(config.logModule.c_str(), "WriteFinalRunProgress()");
    ProgressRecord record;
    if (!FillProgressRecord(record, config, progressStatus)) {
        PROGRESS_LOG("No instance identifier yet: the final progress record is not written");
        return true;
    }
    ProgressWriter write = ProgressWriterFor(config);
    if (!write) {
        PROGRESS_LOG("No folder or FTP destination for the final progress record");
        return false;
    }
    record.percentage = percentage;
    const int result = WriteLocked(write, record, true);
    PROGRESS_LOG("Final progress record with status %d written: %s", progressStatus, result == 0 ? "yes" : "no");
    return result == 0;
}

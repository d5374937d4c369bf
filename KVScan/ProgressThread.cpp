// The progress thread.
#include "ProgressThread.h"

#include "ProgressFile.h"

DWORD WINAPI ProgressThread(void* parameter)
{
    ProgressThreadState& state = *static_cast<ProgressThreadState*>(parameter);
    if (state.record.size != kProgressRecordSize || !state.write)
        return 0;
    LONG lastWritten = -1;
    while (WaitForSingleObject(state.stopEvent, state.intervalMs) == WAIT_TIMEOUT) {
        LONG now = *state.percentage;
        if (now == lastWritten)
            continue;
        bool written = false;
        LockProgressWrites();
        if (!state.stopped) {
            state.record.percentage = now;
            try {
                written = state.write(state.record) == 0;
            } catch (...) {
            }
        }
        UnlockProgressWrites();
        if (written)
            lastWritten = now; // a failed write is tried again at the next round
    }
    return 0;
}

void StopProgressThread(ProgressThreadState& state, HANDLE thread, DWORD waitMs)
{
    LockProgressWrites();
    state.stopped = 1;
    UnlockProgressWrites();
    if (state.stopEvent)
        SetEvent(state.stopEvent);
    if (thread)
        WaitForSingleObject(thread, waitMs);
}

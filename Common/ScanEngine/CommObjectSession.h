// The communications object beside one scan: its host thread is started with the three events, the
// object is taken on the scan's thread, and on every way out the object is released, the thread told
// to end and waited for (a thread that could not start is not waited for).
#pragma once

#include "CommObjectThread.h"

class TessalyConfig;

class CommObjectSession {
public:
    // Starts the thread and waits until the object exists or could not be made.
    explicit CommObjectSession(const TessalyConfig& config);
    ~CommObjectSession();
    CommObjectSession(const CommObjectSession&) = delete;
    CommObjectSession& operator=(const CommObjectSession&) = delete;

    // The object for the engine, or null.
    IUnknown* object() const { return object_; }
    bool threadStarted() const { return thread_ != nullptr; }

private:
    CommObjectThreadArgs args_;
    HANDLE thread_ = nullptr;
    IUnknown* object_ = nullptr;
    bool comInitialised_ = false;
};

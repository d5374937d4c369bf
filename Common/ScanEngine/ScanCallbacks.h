// The engine's callbacks during an analysis: the two dispatchers given to the engine, and the progress
// and event handlers. Everything runs on the thread inside AnalysisSystem::analyse. No exception leaves
// a callback: one that is caught is kept (Adapter().pending) and rethrown after the engine returns.
#pragma once

#include <cstdint>
#include <string>

// For configureAnalysis and configureDisinfection.
int __stdcall standardCallback(uint32_t type, void* record, void* context);
// For configureIntensiveAnalysis.
int __stdcall intensiveCallback(uint32_t type, void* record, void* context);

// 0 to go on, 1 to stop (a record of the wrong size).
int ProgressHandler(const void* record, bool intensive);
void EventHandler(const void* record);

// Percent of the whole analysis: (step - 1) * 100 / steps + percentInStep / steps, with steps 0 and
// step 0 taken as 1, clamped to 0..100.
uint32_t ProgressPercent(uint32_t step, uint32_t steps, uint32_t percentInStep);

// An error report of the adapter through the result holder (code, text, flag).
void RaiseErrorReport(int code, const std::wstring& text, int flag);

// The requirements window: one row per requirement with its minimum and what was detected, failing
// values in red with " (*)". The texts come from the calling program (string table or built-in).
#pragma once

#include "Requirements.h"

#include <string>
#include <vector>

struct RequirementTexts {
    std::wstring caption, button, statement, footnote, minimumHeading, detectedHeading;
    std::wstring processor, memory, disk, operatingSystems, operatingSystem, browser;
    // printf formats with one %d
    std::wstring processorMinimum, memoryValue, diskValue, browserMinimum, browserValue;
    std::wstring supportedSystems;
};

struct RequirementRow {
    std::wstring label, minimum, detected;
    bool failing;
};

// Processor, memory, disk, operating system, browser. processorName and osName are shown as
// detected values; the operating-system row fails on the OS or service-pack flag.
std::vector<RequirementRow> RequirementRows(const RequirementTexts& texts, const RequirementFacts& facts,
                                            const RequirementFlags& flags, const std::wstring& processorName,
                                            const std::wstring& osName);

// A modal dialog of text lines and one button, on a hidden owner window of class
// "REQERR_MAIN_WND". Returns when the button is pressed or the dialog is closed.
struct DialogLine {
    std::wstring text;
    int x, y, width, height; // pixels
    bool heading;
    bool red;
};
void ShowLinesDialog(const std::wstring& caption, const std::vector<DialogLine>& lines, const std::wstring& button,
                     int width, int height);

void ShowRequirementsWindow(const RequirementTexts& texts, const std::vector<RequirementRow>& rows);

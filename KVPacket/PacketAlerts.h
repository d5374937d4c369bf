// What the launcher shows when started with "/alerts": message boxes, the requirements window
// and the "already running" dialog, with the texts of its string table.
#pragma once

#include "Requirements.h"

#include <string>

void Alert(const std::wstring& text);
void ShowPacketRequirements(const RequirementFacts& facts, const RequirementFlags& flags);
void ShowAlreadyRunning();

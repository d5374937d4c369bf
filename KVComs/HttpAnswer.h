// Checks of the audit server's answer to an upload. Each returns true when it accepts the answer;
// on refusal it sets error (18 status not 200, 17 size echo differs) or leaves it 0.
#pragma once

#include <windows.h>
#include <wininet.h>
#include <stdint.h>

enum AnswerCheck { CHECK_SIZE_ECHO, CHECK_TO_FILE, CHECK_STATUS };

const DWORD kAnswerChunk = 10240;

// The answer must begin with the decimal text of expectedSize, not followed by another digit.
bool HandleResponseTamWininet(HINTERNET request, uint64_t expectedSize, uint32_t& error);
// The answer replaces the file at filePath; refused when no byte arrives or a read fails midway.
bool HandleResponseWininet(HINTERNET request, const char* filePath, uint32_t& error);
// Status 200 only.
bool HandleResponseStatus(HINTERNET request, uint32_t& error);

// The two inventory checks that run beside the scanner's own analysis: the computer details and the
// installed protections. Thread bodies; exit code 0 means the check did its work.
#pragma once

unsigned __stdcall SystemInformationThread(void* unused);
unsigned __stdcall ProtectionsCheckThread(void* unused);

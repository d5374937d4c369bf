#include "ScopeLogger.h"

#include "KVLog.h"

ScopeLogger::ScopeLogger(const char* module, const char* sourceFile, int line, const char* function)
    : module_(module), sourceFile_(sourceFile), line_(line), function_(function ? function : "")
{
    KV_GenerateLog(module_, sourceFile_, line_, "+%s", function_);
}

ScopeLogger::~ScopeLogger()
{
    KV_GenerateLog(module_, sourceFile_, line_, "-%s", function_);
}

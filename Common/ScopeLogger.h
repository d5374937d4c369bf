// Brackets a function in the log: "+name" when constructed, "-name" when destroyed.
#pragma once

// The source file name without its folders, as the log expects it.
#if defined(__FILE_NAME__)
#define KV_SOURCE_FILE __FILE_NAME__
#else
#define KV_SOURCE_FILE __FILE__
#endif

class ScopeLogger {
public:
    ScopeLogger(const char* module, const char* sourceFile, int line, const char* function);
    ~ScopeLogger();
    ScopeLogger(const ScopeLogger&) = delete;
    ScopeLogger& operator=(const ScopeLogger&) = delete;

private:
    const char* module_;
    const char* sourceFile_;
    int line_;
    const char* function_;
};

// KV_SCOPE(module, "Class::Function()") at the top of a function.
#define KV_SCOPE_JOIN2(a, b) a##b
#define KV_SCOPE_JOIN(a, b) KV_SCOPE_JOIN2(a, b)
#define KV_SCOPE(module, function) \
    ScopeLogger KV_SCOPE_JOIN(kvScope_, __LINE__)((module), KV_SOURCE_FILE, __LINE__, (function))

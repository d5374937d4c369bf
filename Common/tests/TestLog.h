// Reads what the log stand-in appended to its shared log file since a test began.
#pragma once

#include <string>
#include <vector>

struct LogRecord {
    unsigned long pid;
    std::string module;
    std::string sourceFile;
    std::string line;
    std::string message;
};

class TestLog {
public:
    TestLog(); // remembers the current end of the log
    std::vector<LogRecord> Records() const; // lines appended since, oldest first
    // Messages of this process from one source file, oldest first.
    std::vector<std::string> Messages(const std::string& sourceFile) const;

private:
    long long start_;
};

// The one error type of the engine binding: a Win32 error code and its text.
#pragma once

#include <exception>
#include <string>

class Win32Exception : public std::exception {
public:
    // The message reads "Error: <code>" and, when the system has a text for the code, ": <text>".
    explicit Win32Exception(unsigned long code);

    unsigned long code() const noexcept { return code_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    unsigned long code_;
    std::string message_;
};

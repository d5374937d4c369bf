// A scripted stand-in for the WinINet table: it records every request the transport makes and
// answers as a test tells it to.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct FakeRequest {
    std::string agent;
    DWORD openType = 0;
    std::string proxyText;
    std::string host;
    unsigned port = 0;
    std::string verb;
    std::string object;
    std::vector<std::string> headers;          // as added, line ending included
    std::vector<std::string> bodies;           // one per send attempt
    std::vector<DWORD> declaredLengths;        // one per send attempt
    std::map<DWORD, std::string> sessionOptions;
    std::map<DWORD, std::string> connectionOptions;
    std::map<DWORD, std::string> requestOptions;
    int closed = 0;
};

struct FakeAnswer {
    DWORD status = 200;
    std::string body;
    bool readFailsAfterFirstChunk = false;
};

struct FakeInet {
    // Script: the answer to a finished request (default: the content length of the file part, as
    // the audit server echoes it), and the errors of successive HttpEndRequest calls (0 = success).
    std::function<FakeAnswer(const FakeRequest&)> answer;
    std::vector<DWORD> endErrors;
    bool failOpen = false, failConnect = false;
    std::string mime = "text/xml";

    std::vector<FakeRequest> requests;

    FakeInet();  // installs itself and a fixed boundary
    ~FakeInet(); // restores the real calls
};

extern const char kFixedBoundary[];
// The bytes of the file part in a body made with kFixedBoundary.
std::string FilePartContent(const std::string& body);

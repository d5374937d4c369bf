// logstorm TAG THREADS LINES
// Starts THREADS threads that each log LINES lines through KVLog at once, released together.
// Every message reads "logstorm TAG thread T line L " followed by a filler of fixed length, so a
// reader can tell a whole line from a torn one.

#include "KVLog.h"

#include <windows.h>
#include <process.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Job {
    const char* tag;
    int thread;
    int lines;
    HANDLE go;
};

unsigned __stdcall Worker(void* arg)
{
    Job* job = static_cast<Job*>(arg);
    WaitForSingleObject(job->go, INFINITE);
    std::string filler(200, static_cast<char>('a' + job->thread % 26));
    for (int line = 0; line < job->lines; ++line)
        KV_GenerateLog("LogStorm", __FILE__, __LINE__, "logstorm %s thread %d line %d %s end", job->tag,
                       job->thread, line, filler.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: logstorm TAG THREADS LINES\n");
        return 2;
    }
    int threads = std::atoi(argv[2]);
    int lines = std::atoi(argv[3]);
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<Job> jobs(static_cast<size_t>(threads));
    std::vector<HANDLE> handles;
    for (int t = 0; t < threads; ++t) {
        jobs[t] = Job{argv[1], t, lines, go};
        handles.push_back(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Worker, &jobs[t], 0, nullptr)));
    }
    SetEvent(go);
    WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
    for (HANDLE h : handles)
        CloseHandle(h);
    CloseHandle(go);
    return 0;
}

// A program for tests of program chains:
//   sleeper <milliseconds> <exit code> [<journal file> [<tag>]]
// appends "start <tag> <pid>" to the journal, sleeps, appends "end <tag> <pid>" and exits with the code
// (decimal, or 0x... for codes such as 0xC0000005). Each line is one appending write, so lines of
// programs that run at the same time never mix; their order in the file is the order of the events.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Note(const char* journal, const char* what, const char* tag)
{
    if (!journal)
        return;
    HANDLE file = CreateFileA(journal, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char line[256];
    int length = std::snprintf(line, sizeof line, "%s %s %lu\r\n", what, tag, GetCurrentProcessId());
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: sleeper <milliseconds> <exit code> [<journal file> [<tag>]]\n");
        return 2;
    }
    DWORD milliseconds = std::strtoul(argv[1], nullptr, 10);
    DWORD code = std::strtoul(argv[2], nullptr, 0);
    const char* journal = argc > 3 ? argv[3] : nullptr;
    const char* tag = argc > 4 ? argv[4] : "-";
    Note(journal, "start", tag);
    Sleep(milliseconds);
    Note(journal, "end", tag);
    ExitProcess(code);
}

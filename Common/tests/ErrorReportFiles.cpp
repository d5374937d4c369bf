#include "ErrorReportFiles.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>

std::vector<ErrorReportFile> ErrorReportFiles(const std::string& folder, int code)
{
    std::string pattern = folder + "\\ErrorReport_" + (code < 0 ? std::string("*") : std::to_string(code) + "_*");
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());

    std::vector<ErrorReportFile> reports;
    for (const std::string& name : names) {
        ErrorReportFile report;
        report.name = name;
        std::ifstream in(folder + "\\" + name, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        report.text = bytes.str();
        std::istringstream lines(report.text);
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            size_t equals = line.find('=');
            if (equals != std::string::npos)
                report.fields[line.substr(0, equals)] = line.substr(equals + 1);
        }
        reports.push_back(report);
    }
    return reports;
}

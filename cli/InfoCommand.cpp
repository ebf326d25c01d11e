#include "cli/InfoCommand.h"

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "stl/STLReader.h"
#include "stl/STLUtils.h"

namespace {

// The report lines of one file, and the code of its last error.
struct TInfoReport {
    std::ostream& Out;
    int32_t LastErrorCode = 0;
};

TStatus PrintReport(void* userData, int32_t /*source*/, int32_t type, const char* text,
                    int32_t code) {
    TInfoReport& report = *static_cast<TInfoReport*>(userData);
    report.Out << ReportTypeToString(type) << ' ' << code << ": " << text << '\n';
    if (type == rtError)
        report.LastErrorCode = code;
    return STATUS_OK;
}

// Why a file did not open, in the words of someone who typed its name; the report lines
// say which field was at fault.
std::string OpenFailureReason(const std::string& path, int32_t lastErrorCode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return "no such file";
    if (S_ISDIR(st.st_mode))
        return "is a folder";
    if (::access(path.c_str(), R_OK) != 0)
        return "not readable";
    if (lastErrorCode == STL_REPORT_BAD_SIZE)
        return "shorter than the block count of its header";
    return "not an EBU STL file";
}

} // namespace

int RunInfo(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
    bool allOpened = true;
    for (const std::string& path : files) {
        if (files.size() > 1)
            out << "== " << path << '\n';
        TInfoReport report{out};
        TSTLReader reader;
        reader.SetReportCallback(PrintReport, &report);
        // The size is verified, as every conversion and check does.
        if (reader.OpenFile(path, true) == STATUS_OK)
            out << "TTI blocks: " << reader.GetTextAndTimingInformationCount() << '\n';
        else {
            // A missing file or an unreadable count field reports nothing of its own.
            out.flush();
            err << "caplin-cli: cannot open STL file " << path << ": "
                << OpenFailureReason(path, report.LastErrorCode) << '\n';
            allOpened = false;
        }
    }
    out.flush();
    return allOpened ? CLI_EXIT_OK : CLI_EXIT_FAILED;
}

void AddInfoCommand(CLI::App& app, TCliRun& run) {
    auto files = std::make_shared<std::vector<std::string>>();
    CLI::App* info = app.add_subcommand("info", "GSI header report of each file");
    info->add_option("FILE", *files, "STL file to report on")->required();
    info->callback([files, &run] { run.ExitCode = RunInfo(*files, run.Out, run.Err); });
}

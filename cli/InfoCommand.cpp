#include "cli/InfoCommand.h"

#include <memory>

#include <CLI/CLI.hpp>

#include "stl/STLReader.h"
#include "stl/STLUtils.h"

namespace {

TStatus PrintReport(void* userData, int32_t /*source*/, int32_t type, const char* text,
                    int32_t code) {
    *static_cast<std::ostream*>(userData)
        << ReportTypeToString(type) << ' ' << code << ": " << text << '\n';
    return STATUS_OK;
}

} // namespace

int RunInfo(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
    bool allOpened = true;
    for (const std::string& path : files) {
        if (files.size() > 1)
            out << "== " << path << '\n';
        TSTLReader reader;
        reader.SetReportCallback(PrintReport, &out);
        // The size is verified, as every conversion and check does.
        if (reader.OpenFile(path, true) == STATUS_OK)
            out << "TTI blocks: " << reader.GetTextAndTimingInformationCount() << '\n';
        else {
            // A missing file or an unreadable count field reports nothing of its own.
            out.flush();
            err << "caplin-cli: cannot open STL file " << path << ": " << reader.OpenFailure()
                << '\n';
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

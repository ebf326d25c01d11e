#include "cli/QcCommand.h"

#include "cli/FilesCommand.h"
#include "cli/JsonText.h"
#include "platform/Trace.h"
#include "qc/QualityCheck.h"

namespace {

void PrintText(const TQcReport& report, bool withHeader, std::ostream& out) {
    if (withHeader)
        out << "== " << report.Path << '\n';
    for (const TQcFinding& finding : report.Findings)
        out << FormatQcFinding(finding) << '\n';
    // Also for a clean file: "no findings" tells the operator it was checked.
    out << QcSummary(report) << '\n';
}

void PrintJsonEntry(const TQcReport& report, bool last, std::ostream& out) {
    out << "  {\n"
        << "    \"file\": " << JsonString(report.Path) << ",\n"
        << "    \"errors\": " << report.Errors() << ",\n"
        << "    \"warnings\": " << report.Warnings() << ",\n"
        << "    \"findings\": [";
    for (size_t i = 0; i < report.Findings.size(); ++i) {
        const TQcFinding& finding = report.Findings[i];
        out << (i == 0 ? "\n" : ",\n") << "      {\"severity\": \""
            << QcSeverityName(finding.Severity) << "\", \"field\": " << JsonString(finding.Field)
            << ", \"block\": " << (finding.Block > 0 ? std::to_string(finding.Block) : "null")
            << ", \"text\": " << JsonString(finding.Text) << '}';
    }
    out << (report.Findings.empty() ? "]\n" : "\n    ]\n") << (last ? "  }\n" : "  },\n");
}

} // namespace

int RunQc(const std::vector<std::string>& files, bool json, std::ostream& out) {
    return Guarded("RunQc", CLI_EXIT_FAILED, [&] {
        bool anyError = false;
        if (json)
            out << "[\n";
        for (size_t i = 0; i < files.size(); ++i) {
            const TQcReport report = CheckSTLFile(files[i]);
            anyError = anyError || report.Errors() > 0;
            if (json)
                PrintJsonEntry(report, i + 1 == files.size(), out);
            else
                PrintText(report, files.size() > 1, out);
        }
        if (json)
            out << "]\n";
        out.flush();
        return anyError ? CLI_EXIT_FAILED : CLI_EXIT_OK;
    });
}

void AddQcCommand(CLI::App& app, TCliRun& run) {
    AddFilesCommand(app, run,
                    {"qc", "check each file against EBU Tech 3264 before playout",
                     "Prints one line per finding, \"<Severity> <FIELD>[ block <n>]: <text>\", "
                     "then\na summary per file; with several files each file's lines begin "
                     "\"== <path>\".\nExit status 0 when no file has an Error (warnings "
                     "allowed), 1 when any has,\n2 for a usage problem.",
                     "STL file to check"},
                    [](const std::vector<std::string>& files, bool json, TCliRun& cli) {
                        return RunQc(files, json, cli.Out);
                    });
}

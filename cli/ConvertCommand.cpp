#include "cli/ConvertCommand.h"

#include <iostream>
#include <memory>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "cli/CliSettings.h"
#include "convert/STLConvertSettings.h"
#include "convert/STLConvertUtils.h"
#include "logs/LogsAndMessages.h"
#include "platform/Registry.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

// "[#####               ] 3/10 name" on one line of a terminal, redrawn in place.
class TProgressBar {
public:
    TProgressBar(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
    ~TProgressBar() { Hide(); }

    void Show(size_t done, size_t total, const std::string& path) {
        if (!enabled_ || total == 0)
            return;
        const size_t filled = kWidth * done / total;
        std::string name = ExtractFileName(path);
        if (name.size() > kNameWidth)
            name = name.substr(0, kNameWidth - 3) + "...";
        line_ = "[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] " +
                std::to_string(done + 1) + "/" + std::to_string(total) + " " + name;
        Draw();
    }
    // Takes the bar off the terminal while a line is printed on standard output.
    void Hide() {
        if (enabled_ && shown_) {
            err_ << "\r\033[K" << std::flush;
            shown_ = false;
        }
    }
    void Draw() {
        if (enabled_ && !line_.empty()) {
            err_ << '\r' << line_ << "\033[K" << std::flush;
            shown_ = true;
        }
    }
    void Finish() {
        Hide();
        line_.clear();
    }

private:
    static constexpr size_t kWidth = 20;
    static constexpr size_t kNameWidth = 40;
    std::ostream& err_;
    bool enabled_;
    bool shown_ = false;
    std::string line_;
};

// Loads what the window's start-up loads for a Batch run. Nothing is saved: what the
// loaders write back stays in memory. False with the reason on err.
bool LoadBatchSettings(TMainSettings& main, TSTLConvertSettings& settings, std::ostream& err) {
    if (!LoadStartupSettings(main, err))
        return false;
    if (!settings.LoadFromRegistry(kBatchKey, kHexFindReplaceSubKey, kSubtitleFileTypeSubKey)) {
        err << "caplin-cli: cannot load the batch converter settings from "
            << TSettingsStore::DefaultPath() << '\n';
        return false;
    }
    // The window's settings panel always writes these into the Batch settings.
    settings.FramesPerSecondSource = main.FPSSource;
    settings.FramesPerSecond = main.FPS;
    settings.TimeCodeFirstInCueSource = 0;
    settings.TimeCodeFirstInCue.clear();
    return true;
}

} // namespace

int RunConvert(const TConvertOptions& options, std::ostream& out, std::ostream& err) {
    return Guarded("RunConvert", CLI_EXIT_FAILED, [&] {
        if (options.Files.empty()) {
            err << "No files to convert.\n";
            return CLI_EXIT_USAGE;
        }
        TMainSettings main;
        TSTLConvertSettings settings;
        if (!LoadBatchSettings(main, settings, err))
            return CLI_EXIT_USAGE;
        if (options.Dest)
            settings.DestinationFolder = *options.Dest;
        if (settings.DestinationFolder.empty()) {
            err << "No destination folder specified.\n";
            return CLI_EXIT_USAGE;
        }

        TProgressBar progress(err, options.Progress);
        TConsoleObserver console(out);
        console.BeforeLine = [&progress] { progress.Hide(); };
        console.AfterLine = [&progress] { progress.Draw(); };
        TLogsAndMessages logs;
        SetUpPageLogs(logs, main, pgBatch);
        logs.SetObserver(&console);
        const TReportFunction report = logs.ReportSink();

        bool allConverted = true;
        logs.LogFunction("Batch conversion started.");
        for (size_t i = 0; i < options.Files.size(); ++i) {
            const std::string& path = options.Files[i];
            progress.Show(i, options.Files.size(), path);
            logs.LogFunction(("Converting STL file : " + path).c_str());
            if (!ConvertSTLFile(path, settings, "", report)) {
                logs.ReportFunction(rtError, ("Error converting STL file " + path).c_str());
                allConverted = false;
            }
        }
        progress.Finish();
        logs.LogFunction("Batch conversion done.");
        return allConverted ? CLI_EXIT_OK : CLI_EXIT_FAILED;
    });
}

void AddConvertCommand(CLI::App& app, TCliRun& run) {
    auto options = std::make_shared<TConvertOptions>();
    auto dest = std::make_shared<std::string>();
    CLI::App* convert = app.add_subcommand(
        "convert", "convert STL files as a Batch run does, with the stored Batch settings");
    CLI::Option* destOption =
        convert->add_option("--dest", *dest, "destination folder for this run only");
    convert->add_option("FILE", options->Files, "STL file to convert");
    convert->callback([options, dest, destOption, &run] {
        if (destOption->count() > 0)
            options->Dest = *dest;
        // A bar only where a person watches: the real standard error, on a terminal.
        options->Progress = &run.Err == &std::cerr && isatty(STDERR_FILENO) == 1;
        run.ExitCode = RunConvert(*options, run.Out, run.Err);
    });
}

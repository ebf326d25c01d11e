#include "cli/ConvertCommand.h"

#include <iostream>
#include <memory>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "cli/CliHints.h"
#include "cli/CliSettings.h"
#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "session/CaplinSession.h"

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

// A destination folder that is not there would fail every file, one by one; it is a usage
// problem, said once before anything is converted or logged. Empty: the run refuses itself.
std::string DestinationProblem(const std::string& folder) {
    if (folder.empty() || DirectoryExists(folder))
        return {};
    if (FileExists(folder))
        return "caplin-cli: the destination " + folder + " is not a folder";
    return "caplin-cli: the destination folder " + folder + " does not exist";
}

} // namespace

int RunConvert(const TConvertOptions& options, std::ostream& out, std::ostream& err) {
    return Guarded("RunConvert", CLI_EXIT_FAILED, [&] {
        TProgressBar progress(err, options.Progress);
        TConsoleObserver console(out);
        TFileNameHints hints(err);
        console.BeforeLine = hints.BeforeLine = [&progress] { progress.Hide(); };
        console.AfterLine = hints.AfterLine = [&progress] { progress.Draw(); };
        TCaplinSession session(TSessionOwner::CommandLine);
        if (!LoadCliSession(session, pgBatch, err))
            return CLI_EXIT_USAGE;
        // The frame rate as the window's panel writes it; every other value as stored.
        session.ApplyFrameRatePolicy(*session.BatchSettings());
        if (options.Dest)
            session.BatchSettings()->DestinationFolder = *options.Dest;
        const std::string destinationProblem =
            DestinationProblem(session.BatchSettings()->DestinationFolder);
        if (!options.Files.empty() && !destinationProblem.empty()) {
            err << destinationProblem << '\n';
            return CLI_EXIT_USAGE;
        }
        session.Logs().SetObserver(&console);

        TBatchRun& run = session.Batch();
        for (const std::string& path : options.Files)
            run.AppendToBatchList(path);
        run.EntryChanged = [&](size_t index) {
            const std::vector<TBatchItem>& list = run.BatchList();
            if (list[index].Status == TBatchItemStatus::Processing)
                progress.Show(index, list.size(), list[index].FileName);
        };
        size_t converted = 0;
        size_t failed = 0;
        run.EntryConverted = [&](size_t, const TConvertOutcome& outcome) {
            ++(outcome.Succeeded() ? converted : failed);
            hints.Converted(outcome, [&] { return BatchFileNameHint(*session.BatchSettings()); });
        };
        const TRunStart start = run.Start();
        if (!start.Started) {
            err << start.Refusal << '\n';
            return CLI_EXIT_USAGE;
        }
        // No pause between files: nobody waits for a window here.
        while (run.Step() != TRunNext::Finished) {
        }
        progress.Finish();
        err << converted << " converted, " << failed << " failed\n";
        return failed == 0 && !run.Running() ? CLI_EXIT_OK : CLI_EXIT_FAILED;
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

#include "cli/FilesCommand.h"

#include <memory>

#include <CLI/CLI.hpp>

void AddFilesCommand(
    CLI::App& app, TCliRun& run, const TFilesCommand& command,
    std::function<int(const std::vector<std::string>& files, bool json, TCliRun& run)> body) {
    auto files = std::make_shared<std::vector<std::string>>();
    auto json = std::make_shared<bool>(false);
    CLI::App* sub = app.add_subcommand(command.Name, command.Description);
    sub->footer(command.Footer);
    sub->add_flag("--json", *json, "print one JSON array, an entry per file");
    sub->add_option("FILE", *files, command.FileHelp)->required();
    sub->callback(
        [files, json, &run, body = std::move(body)] { run.ExitCode = body(*files, *json, run); });
}

// How long a file that lands in a watched folder waits before its conversion is in the
// destination, with `caplin-cli watch` running as it does in production. A file lands the
// way a careful copier delivers it: written under another name outside the folder, closed,
// renamed in. The time runs from the rename to the moment the converted file appears. Files
// land one at a time, each at a random moment of the poll interval, so the figures cover
// every phase of the polling. The limit is one poll interval plus 200 ms for every file.
//
//   watch_latency [FILES [INTERVAL_MS]]         defaults: 20 files, 1000 ms
//
// CLI (default: caplin-cli beside this program) and TEMPLATE (a real STL file, default
// ../shared/testdata/stl/tytouf__ebustl-rs/test.stl beside the project) can be set in the
// environment. Prints the median and the maximum; exits 1 when the maximum is over the
// limit, 2 when the run could not be made.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kSlack = 200ms;

int Fail(const std::string& message) {
    std::fprintf(stderr, "watch_latency: %s\n", message.c_str());
    return 2;
}

double Milliseconds(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string Environment(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    TFile file;
    if (!file.OpenRead(path))
        return bytes;
    const int64_t size = file.Size();
    if (size <= 0)
        return bytes;
    bytes.resize(size_t(size));
    if (file.ReadAt(0, bytes.data(), size) != size)
        bytes.clear();
    return bytes;
}

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    TFile file;
    return file.CreateExclusive(path) && file.Append(bytes.data(), int64_t(bytes.size()));
}

// The watch process, its standard output in a file (read to see it armed), ended with
// SIGTERM and reaped however this program ends.
class TWatch {
public:
    ~TWatch() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }

    bool Start(const std::string& cli, const std::string& registry, const std::string& trace,
               const std::string& outFile) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "CAPLIN_REGISTRY=", 16) != 0 &&
                std::strncmp(*e, "CAPLIN_TRACE=", 13) != 0)
                env.emplace_back(*e);
        env.push_back("CAPLIN_REGISTRY=" + registry);
        env.push_back("CAPLIN_TRACE=" + trace);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = cli;
        std::string command = "watch";
        char* argv[] = {program.data(), command.data(), nullptr};

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int failed = posix_spawn(&pid_, cli.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0)
            pid_ = -1;
        return failed == 0;
    }

    // SIGTERM, then the exit status (-1 when it did not end normally within the deadline).
    int Stop(std::chrono::seconds deadline) {
        ::kill(pid_, SIGTERM);
        const auto until = TClock::now() + deadline;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (TClock::now() > until)
                return -1;
            std::this_thread::sleep_for(5ms);
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
};

// Polls for path every millisecond; true when it appeared before the deadline.
bool WaitForFile(const std::string& path, TClock::time_point deadline) {
    struct stat st {};
    while (::stat(path.c_str(), &st) != 0) {
        if (TClock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int32_t files = 20;
    int32_t intervalMS = 1000;
    if ((argc > 1 && (!TryStrToInt(argv[1], files) || files < 1)) ||
        (argc > 2 && (!TryStrToInt(argv[2], intervalMS) || intervalMS < 100)) || argc > 3)
        return Fail("usage: watch_latency [FILES [INTERVAL_MS (100 or more)]]");

    const fs::path here = fs::canonical("/proc/self/exe").parent_path();
    const std::string cli = Environment("CLI", (here / "caplin-cli").string());
    const std::string templatePath = Environment(
        "TEMPLATE",
        (here / "../../../shared/testdata/stl/tytouf__ebustl-rs/test.stl").lexically_normal());
    if (::access(cli.c_str(), X_OK) != 0)
        return Fail("no program at " + cli + " (set CLI)");
    const std::vector<uint8_t> content = ReadAll(templatePath);
    if (content.empty())
        return Fail("cannot read the template STL file " + templatePath + " (set TEMPLATE)");

    std::string pattern = GetTmpPath() + "caplin-watch-latency.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return Fail("cannot make a work folder under " + GetTmpPath());
    const fs::path work = pattern;
    struct TRemove {
        fs::path Path;
        ~TRemove() {
            std::error_code ec;
            fs::remove_all(Path, ec);
        }
    } remove{work};
    for (const char* folder : {"in", "out", "staging", "logs"})
        fs::create_directory(work / folder);

    // One watch folder whose conversion needs nothing from the file name.
    const std::string registry = (work / "registry.reg").string();
    char interval[16];
    std::snprintf(interval, sizeof interval, "%08x", unsigned(intervalMS));
    {
        const std::string text =
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\n"
            "\"FPSSource\"=dword:00000000\n"
            "\"LogsOutputFolder\"=\"" +
            (work / "logs").string() + "\"\n\"MessagesOutputFolder\"=\"" +
            (work / "logs").string() +
            "\"\n\n"
            "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder]\n"
            "\"WatchFoldersCount\"=dword:00000001\n"
            "\"WatchFolderCheckIntervalMS\"=dword:" +
            interval +
            "\n\n"
            "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder\\WF_0]\n"
            "\"WatchFolder\"=\"" +
            (work / "in").string() + "\"\n\"DestinationFolder\"=\"" + (work / "out").string() +
            "\"\n\"LanguageSource\"=dword:00000001\n\"LanguagePredefined\"=\"09\"\n";
        const std::vector<uint8_t> bytes(text.begin(), text.end());
        if (!WriteAll(registry, bytes))
            return Fail("cannot write " + registry);
    }

    TWatch watch;
    const std::string outFile = (work / "stdout.txt").string();
    if (!watch.Start(cli, registry, (work / "trace.log").string(), outFile))
        return Fail("cannot start " + cli);
    const auto armedBy = TClock::now() + 10s;
    while (ReadAll(outFile).empty()) {
        if (TClock::now() > armedBy)
            return Fail("caplin-cli watch did not arm; see " + outFile);
        std::this_thread::sleep_for(5ms);
    }

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> phase(0, intervalMS - 1);
    std::vector<double> latencies;
    for (int32_t i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "LAT%05d.stl", int(i));
        const std::string staged = (work / "staging" / name).string();
        const std::string landed = (work / "in" / name).string();
        if (!WriteAll(staged, content))
            return Fail("cannot write " + staged);
        std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
        const auto landedAt = TClock::now();
        if (::rename(staged.c_str(), landed.c_str()) != 0)
            return Fail("cannot rename " + staged + " into the watch folder");
        if (!WaitForFile((work / "out" / name).string(),
                         landedAt + 10 * std::chrono::milliseconds(intervalMS) + 10s))
            return Fail(std::string("no conversion of ") + name + "; see " + outFile);
        latencies.push_back(Milliseconds(TClock::now() - landedAt));
    }

    const int status = watch.Stop(10s);
    if (status != 0)
        return Fail("caplin-cli watch did not end with status 0 after SIGTERM");

    const double limit = intervalMS + Milliseconds(kSlack);
    std::vector<double> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.size() % 2 == 1
                              ? sorted[sorted.size() / 2]
                              : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
    std::printf("landing to converted, %d files, poll interval %d ms: median %.0f ms, max %.0f "
                "ms, min %.0f ms (limit %.0f ms)\n",
                int(files), int(intervalMS), median, sorted.back(), sorted.front(), limit);
    return sorted.back() <= limit ? 0 : 1;
}

// caplin-cli watch as systemd runs it: the notifications it sends to the socket systemd gives
// it (NOTIFY_SOCKET, WATCHDOG_USEC), and the priorities it puts before its lines when its
// standard output is the journal (JOURNAL_STREAM). The built program runs in a child process.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/cli/CliTestSupport.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

namespace {

// Deadlines only bound a test that has already failed.
constexpr auto kDeadline = 20s;

// `caplin-cli watch` with standard output and error in files, and the given variables in an
// environment that holds none of the ones the run reads otherwise.
class TWatch {
public:
    TWatch(const std::vector<std::string>& variables, const std::string& outFile,
           const std::string& errFile)
        : pid_(clitest::SpawnWatch(variables,
                                   {"CAPLIN_REGISTRY", "CAPLIN_TRACE", "NOTIFY_SOCKET",
                                    "WATCHDOG_USEC", "WATCHDOG_PID", "JOURNAL_STREAM"},
                                   -1, outFile, errFile)) {}
    ~TWatch() {
        if (!exited_) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    TWatch(const TWatch&) = delete;
    TWatch& operator=(const TWatch&) = delete;

    pid_t Pid() const { return pid_; }
    // SIGTERM, then the wait status, or -1 when it did not end in time.
    int Stop() {
        ::kill(pid_, SIGTERM);
        const auto deadline = TClock::now() + kDeadline;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (TClock::now() > deadline)
                return -1;
            std::this_thread::sleep_for(5ms);
        }
        exited_ = true;
        return status;
    }
    // The processor time the process used so far (user and system).
    std::chrono::milliseconds CpuTime() const {
        const std::string stat = ReadText("/proc/" + std::to_string(pid_) + "/stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long long ticks = 0;
        // Fields 14 and 15 (utime, stime); the first one read here is field 3.
        for (int n = 3; n <= 15 && fields >> field; ++n)
            if (n >= 14)
                ticks += std::stoll(field);
        return std::chrono::milliseconds(ticks * 1000 / ::sysconf(_SC_CLK_TCK));
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds timeout = kDeadline) {
    const auto deadline = TClock::now() + timeout;
    while (!done()) {
        if (TClock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// What systemd would read on its notification socket: every datagram, when it came, and what
// the run had printed by then.
class TNotifySocket {
public:
    struct TDatagram {
        std::vector<std::string> Lines;
        TClock::time_point At;
        std::string PrintedBefore;
        bool Has(const std::string& line) const {
            return std::find(Lines.begin(), Lines.end(), line) != Lines.end();
        }
    };

    TNotifySocket(const std::string& path, std::string outFile)
        : path_(path), outFile_(std::move(outFile)) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd_ < 0 || path.size() >= sizeof address.sun_path)
            throw std::runtime_error("no socket for " + path);
        std::strcpy(address.sun_path, path.c_str());
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot bind " + path);
        reader_ = std::thread([this] { Read(); });
    }
    ~TNotifySocket() {
        stop_ = true;
        reader_.join();
        ::close(fd_);
        ::unlink(path_.c_str());
    }

    std::vector<TDatagram> Datagrams() {
        std::lock_guard<std::mutex> lock(mutex_);
        return datagrams_;
    }
    // When the first datagram holding line came, or nothing when none came in time.
    std::optional<TClock::time_point> WaitFor(const std::string& line) {
        std::unique_lock<std::mutex> lock(mutex_);
        std::optional<TClock::time_point> at;
        changed_.wait_for(lock, kDeadline, [&] {
            for (const TDatagram& datagram : datagrams_)
                if (datagram.Has(line))
                    return (at = datagram.At).has_value();
            return false;
        });
        return at;
    }

private:
    void Read() {
        char buffer[4096];
        while (!stop_) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0)
                continue;
            const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
            if (count <= 0)
                continue;
            TDatagram datagram{clitest::Lines(std::string(buffer, size_t(count))), TClock::now(),
                               ReadText(outFile_)};
            std::lock_guard<std::mutex> lock(mutex_);
            datagrams_.push_back(std::move(datagram));
            changed_.notify_all();
        }
    }

    std::string path_, outFile_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<TDatagram> datagrams_;
};

struct TFolder {
    std::string In, Out;
};

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"logs", "staging"})
            fs::create_directory(dir.File(folder));
        registry = dir.File("registry.reg");
        trace = dir.File("trace.log");
        outFile = dir.File("stdout.txt");
        errFile = dir.File("stderr.txt");
        WriteStl(dir.File("good.stl"), MakeGsi(1), {MakeTti(1, "One")});
        good = ReadBytes(dir.File("good.stl"));
    }

    TFolder MakeFolder(const std::string& name, bool withDestination = true) {
        TFolder folder{dir.File(name + "-in"), dir.File(name + "-out")};
        fs::create_directory(folder.In);
        if (withDestination)
            fs::create_directory(folder.Out);
        return folder;
    }

    // Folders scanned every 100 ms, writing the language the test files carry.
    void WriteSettings(const std::vector<TFolder>& folders) {
        std::string text = "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\n"
                           "\"LogsOutputFolder\"=\"" +
                           dir.File("logs") + "\"\n\"MessagesOutputFolder\"=\"" + dir.File("logs") +
                           "\"\n\n[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder]\n"
                           "\"WatchFoldersCount\"=dword:0000000" +
                           std::to_string(folders.size()) +
                           "\n\"WatchFolderCheckIntervalMS\"=dword:00000064\n";
        for (size_t i = 0; i < folders.size(); ++i)
            text += "\n[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder\\WF_" +
                    std::to_string(i) + "]\n\"WatchFolder\"=\"" + folders[i].In +
                    "\"\n\"DestinationFolder\"=\"" + folders[i].Out +
                    "\"\n\"LanguageSource\"=dword:00000001\n\"LanguagePredefined\"=\"09\"\n";
        WriteText(registry, text);
    }

    std::vector<std::string> Variables(std::vector<std::string> more = {}) const {
        more.push_back("CAPLIN_REGISTRY=" + registry);
        more.push_back("CAPLIN_TRACE=" + trace);
        return more;
    }

    // count files into each folder, written outside first, then renamed in one after the
    // other: they land all at once.
    void Land(const std::vector<TFolder>& folders, const std::string& prefix, size_t count,
              const std::vector<uint8_t>& bytes) {
        std::vector<std::pair<std::string, std::string>> moves;
        for (size_t i = 0; i < count; ++i)
            for (size_t n = 0; n < folders.size(); ++n) {
                const std::string name =
                    prefix + std::to_string(n) + "_" + std::to_string(i) + ".stl";
                moves.emplace_back(dir.File("staging") + "/" + name, folders[n].In + "/" + name);
                WriteBytes(moves.back().first, bytes);
            }
        for (const auto& [from, to] : moves)
            fs::rename(from, to);
    }

    std::vector<std::string> TraceLines() const {
        return fs::exists(trace) ? clitest::Lines(ReadText(trace)) : std::vector<std::string>{};
    }

    TempDir dir;
    std::string registry, trace, outFile, errFile;
    std::vector<uint8_t> good;
    const std::vector<uint8_t> notStl = {'n', 'o', 't', ' ', 'S', 'T', 'L', '\n'};
};

// The shortest and the longest time between two moments in a row (the shortest leaving out
// the last, which need not wait for its turn).
std::pair<std::chrono::milliseconds, std::chrono::milliseconds>
Gaps(const std::vector<TClock::time_point>& at) {
    std::chrono::milliseconds shortest = 1h, longest = 0ms;
    for (size_t i = 1; i < at.size(); ++i) {
        const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(at[i] - at[i - 1]);
        longest = std::max(longest, gap);
        if (i + 1 < at.size())
            shortest = std::min(shortest, gap);
    }
    return {shortest, longest};
}

std::string Status(size_t converted, size_t failed) {
    return "STATUS=2 watch folders armed, " + std::to_string(converted) + " converted, " +
           std::to_string(failed) + " failed";
}

TEST_F(ServiceTest, TellsSystemdReadyStatusWatchdogAndStopping) {
    const TFolder one = MakeFolder("one"), two = MakeFolder("two");
    WriteSettings({one, two});
    TNotifySocket socket(dir.File("notify"), outFile);
    TWatch watch(Variables({"NOTIFY_SOCKET=" + dir.File("notify"), "WATCHDOG_USEC=2000000"}),
                 outFile, errFile);

    // Ready once armed, and said after the line that says so.
    ASSERT_TRUE(socket.WaitFor("READY=1")) << ReadText(errFile);
    const TNotifySocket::TDatagram ready = socket.Datagrams().front();
    EXPECT_TRUE(ready.Has("READY=1"));
    EXPECT_TRUE(ready.Has(Status(0, 0)));
    EXPECT_EQ(ready.PrintedBefore, "Watch folder conversion armed.\n");
    std::this_thread::sleep_for(600ms); // idle

    // A change is told on the idle pass after it, even less than a second after the last.
    Land({one}, "single", 1, good);
    const auto first = socket.WaitFor(Status(1, 0));
    Land({two}, "broken", 1, notStl);
    const auto second = socket.WaitFor(Status(1, 1));
    ASSERT_TRUE(first && second);
    EXPECT_LT(*second - *first, 700ms);

    // A burst long enough to span more than one watchdog period; its size comes from how
    // fast a first one drains here.
    auto landed = TClock::now();
    Land({one, two}, "calibrate", 100, good);
    const auto calibrated = socket.WaitFor(Status(201, 1));
    ASSERT_TRUE(calibrated);
    const double perSecond = 200 / std::chrono::duration<double>(*calibrated - landed).count();
    const size_t half = std::clamp(size_t(perSecond * 1.5), size_t(100), size_t(15000));
    landed = TClock::now();
    Land({one, two}, "burst", half, good);
    const auto drained = socket.WaitFor(Status(201 + 2 * half, 1));
    ASSERT_TRUE(drained);
    std::this_thread::sleep_for(600ms); // idle again

    // A reload: RELOADING=1, then READY=1 once the settings are read again.
    const auto reloaded = TClock::now();
    ::kill(watch.Pid(), SIGHUP);
    ASSERT_TRUE(socket.WaitFor("RELOADING=1"));
    const auto readyAgain = [&] {
        bool reloading = false;
        for (const TNotifySocket::TDatagram& datagram : socket.Datagrams()) {
            reloading = reloading || datagram.Has("RELOADING=1");
            if (reloading && datagram.Has("READY=1"))
                return true;
        }
        return false;
    };
    const auto deadline = TClock::now() + kDeadline;
    while (!readyAgain() && TClock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(readyAgain());

    const int status = watch.Stop();
    ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadText(errFile), "");
    EXPECT_TRUE(TraceLines().empty()) << ReadText(trace);
    const std::vector<std::string> out = clitest::Lines(ReadText(outFile));
    EXPECT_EQ(std::count_if(out.begin(), out.end(),
                            [](const std::string& line) {
                                return line.rfind("Converting STL file : ", 0) == 0;
                            }),
              std::ptrdiff_t(202 + 2 * half));

    const std::vector<TNotifySocket::TDatagram> datagrams = socket.Datagrams();
    ASSERT_TRUE(datagrams.back().Has("STOPPING=1"));
    EXPECT_EQ(datagrams.back().Lines.size(), 1u);
    // The watchdog from ready to stopping, idle and busy: at least every half of
    // WATCHDOG_USEC, and not at every pass.
    std::vector<TClock::time_point> kept;
    size_t statuses = 0, inBurst = 0;
    for (const auto& datagram : datagrams) {
        const bool during = datagram.At > landed && datagram.At <= *drained;
        // The READY=1 of the reload restarts the watchdog's count: not a gap of the loop.
        const bool reloadReady = datagram.At > reloaded && datagram.Has("READY=1");
        if (!reloadReady && (datagram.Has("READY=1") || datagram.Has("WATCHDOG=1"))) {
            kept.push_back(datagram.At);
            inBurst += during;
        }
        statuses += during && std::any_of(datagram.Lines.begin(), datagram.Lines.end(),
                                          [](const std::string& line) {
                                              return line.rfind("STATUS=", 0) == 0;
                                          });
    }
    kept.push_back(datagrams.back().At);
    const auto [shortest, longest] = Gaps(kept);
    EXPECT_LE(longest, 1000ms);
    EXPECT_GE(shortest, 250ms);
    const auto burst = *drained - landed;
    EXPECT_GE(burst, 1200ms) << "the burst drained too fast to tell the watchdog in it";
    EXPECT_GE(inBurst, 1u);
    // Thousands of files, a status about once a second.
    EXPECT_LE(statuses, size_t(std::chrono::duration<double>(burst).count()) + 2);
    std::cout << 2 * half << " files in " << (burst / 1ms) << " ms, " << statuses
              << " statuses, watchdog every " << shortest.count() << " to " << longest.count()
              << " ms\n";
}

// A watchdog shorter than the idle wait shortens the wait, but never makes the loop spin.
TEST_F(ServiceTest, KeepsAWatchdogShorterThanTheIdleWait) {
    const TFolder one = MakeFolder("one");
    WriteSettings({one});
    TNotifySocket socket(dir.File("notify"), outFile);
    TWatch watch(Variables({"NOTIFY_SOCKET=" + dir.File("notify"), "WATCHDOG_USEC=180000"}),
                 outFile, errFile);
    ASSERT_TRUE(socket.WaitFor("READY=1")) << ReadText(errFile);
    EXPECT_TRUE(
        socket.Datagrams().front().Has("STATUS=1 watch folder armed, 0 converted, 0 failed"));
    const auto before = watch.CpuTime();
    std::this_thread::sleep_for(1s);
    const auto used = watch.CpuTime() - before;
    const int status = watch.Stop();
    ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::vector<TClock::time_point> kept;
    for (const auto& datagram : socket.Datagrams())
        if (datagram.Has("READY=1") || datagram.Has("WATCHDOG=1") || datagram.Has("STOPPING=1"))
            kept.push_back(datagram.At);
    ASSERT_GE(kept.size(), 10u);
    const auto longest = Gaps(kept).second;
    EXPECT_LE(longest, 90ms);
    EXPECT_LT(used, 200ms);
}

// Where NOTIFY_SOCKET names nothing the run is the one without it; the trace says so once.
TEST_F(ServiceTest, RunsAsWithoutNotifySocketWhereNobodyListens) {
    const TFolder one = MakeFolder("one"), two = MakeFolder("two");
    WriteSettings({one, two});
    const struct {
        const char* Name;
        std::vector<std::string> Variables;
        size_t TraceLines;
    } cases[] = {
        {"no NOTIFY_SOCKET", {}, 0},
        {"a path with no socket", {"NOTIFY_SOCKET=" + dir.File("nothing")}, 1},
        {"not an address", {"NOTIFY_SOCKET=garbage"}, 1},
        {"an abstract name nobody listens on",
         {"NOTIFY_SOCKET=@caplin-nobody-" + std::to_string(::getpid())},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove(trace);
        for (const TFolder& folder : {one, two})
            for (const std::string& path : {folder.In, folder.Out}) {
                fs::remove_all(path);
                fs::create_directory(path);
            }
        std::vector<std::string> variables = c.Variables;
        variables.push_back("WATCHDOG_USEC=180000");
        const std::string name = std::string("case") + std::to_string(&c - cases);
        TWatch watch(Variables(variables), outFile, errFile);
        ASSERT_TRUE(WaitUntil([&] { return !ReadText(outFile).empty(); })) << ReadText(errFile);
        Land({one, two}, name, 1, good);
        ASSERT_TRUE(WaitUntil([&] {
            return fs::exists(one.Out + "/" + name + "0_0.stl") &&
                   fs::exists(two.Out + "/" + name + "1_0.stl");
        }));
        const int status = watch.Stop();
        ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(ReadText(errFile), "");
        std::vector<std::string> out = clitest::Lines(ReadText(outFile));
        ASSERT_EQ(out.size(), 4u);
        std::sort(out.begin() + 1, out.begin() + 3);
        EXPECT_EQ(out, (std::vector<std::string>{
                           "Watch folder conversion armed.",
                           "Converting STL file : " + one.In + "/" + name + "0_0.stl",
                           "Converting STL file : " + two.In + "/" + name + "1_0.stl",
                           "Watch folder conversion disarmed."}));
        const std::vector<std::string> traced = TraceLines();
        ASSERT_EQ(traced.size(), c.TraceLines) << ReadText(trace);
        if (!traced.empty()) {
            EXPECT_NE(traced[0].find("TServiceNotifier.Send"), std::string::npos) << traced[0];
            EXPECT_NE(traced[0].find("NOTIFY_SOCKET"), std::string::npos) << traced[0];
        }
    }
}

std::string DeviceAndInode(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return "";
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

// Standard output as the journal: each line with its priority. Any other standard output
// gets the lines as ever, byte for byte.
TEST_F(ServiceTest, PutsTheSyslogPriorityBeforeEachLineOnlyForTheJournal) {
    // A destination that is not there (a Warning), and a file that is no STL file (Errors and
    // the Info with the reason), waiting when the run starts.
    const TFolder folder = MakeFolder("one", false);
    WriteSettings({folder});
    WriteBytes(folder.In + "/broken.stl", notStl);
    const std::string other = dir.File("other.txt");
    WriteText(other, "");

    auto run = [&](std::vector<std::string> variables) {
        // Created before the run, so that its device and inode are known.
        WriteText(outFile, "");
        for (std::string& variable : variables)
            if (variable == "JOURNAL_STREAM=stdout")
                variable = "JOURNAL_STREAM=" + DeviceAndInode(outFile);
        TWatch watch(Variables(variables), outFile, errFile);
        EXPECT_TRUE(WaitUntil([&] {
            return ReadText(outFile).find("Error converting STL file") != std::string::npos;
        })) << ReadText(errFile);
        const int status = watch.Stop();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
        EXPECT_EQ(ReadText(errFile), "");
        return ReadText(outFile);
    };
    const std::string plain = run({});
    const std::string journal = run({"JOURNAL_STREAM=stdout"});
    EXPECT_EQ(run({"JOURNAL_STREAM=" + DeviceAndInode(other)}), plain);
    EXPECT_EQ(run({"JOURNAL_STREAM=garbage"}), plain);

    std::string expected;
    size_t kinds[4] = {};
    for (const std::string& line : clitest::Lines(plain)) {
        const int kind = line.rfind("Error - ", 0) == 0     ? 3
                         : line.rfind("Warning - ", 0) == 0 ? 2
                         : line.rfind("Info - ", 0) == 0    ? 1
                                                            : 0;
        ++kinds[kind];
        expected += (kind == 3 ? "<3>" : kind == 2 ? "<4>" : "<6>") + line + "\n";
    }
    // Every kind of line was there to be told apart.
    for (size_t count : kinds)
        EXPECT_GE(count, 1u) << plain;
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(plain.find('<'), std::string::npos) << plain;
}

} // namespace

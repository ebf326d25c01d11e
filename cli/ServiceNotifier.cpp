#include "cli/ServiceNotifier.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <systemd/sd-daemon.h>

#include "platform/Trace.h"

namespace {

// A burst of thousands of files would otherwise send as many datagrams.
constexpr auto kStatusEvery = std::chrono::seconds(1);

} // namespace

TServiceNotifier::TServiceNotifier() {
    GuardedVoid("TServiceNotifier.Create", [&] {
        const char* socket = std::getenv("NOTIFY_SOCKET");
        active_ = socket && *socket;
        if (!active_)
            return;
        socket_ = socket;
        uint64_t timeout = 0;
        // A quarter of the timeout: sent at most one pass late, it still comes within half.
        if (sd_watchdog_enabled(0, &timeout) > 0)
            watchdogEvery_ = std::chrono::microseconds(std::max<uint64_t>(timeout / 4, 1));
    });
}

void TServiceNotifier::Ready(size_t folders) {
    GuardedVoid("TServiceNotifier.Ready", [&] {
        if (!active_)
            return;
        folders_ = folders;
        lastWatchdog_ = lastStatus_ = TClock::now();
        // The watchdog is kept from here on, also after a reload that took its time.
        Send("READY=1\n" + Status() + (watchdogEvery_.count() > 0 ? "\nWATCHDOG=1" : ""));
    });
}

void TServiceNotifier::Reloading() {
    GuardedVoid("TServiceNotifier.Reloading", [&] {
        if (!active_)
            return;
        // The moment lets systemd tell this reload from an earlier one.
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const uint64_t usec = uint64_t(now.tv_sec) * 1000000 + uint64_t(now.tv_nsec) / 1000;
        Send("RELOADING=1\nMONOTONIC_USEC=" + std::to_string(usec));
    });
}

void TServiceNotifier::Converted(bool succeeded) {
    ++(succeeded ? converted_ : failed_);
    statusChanged_ = true;
}

void TServiceNotifier::Passed(bool idle) {
    GuardedVoid("TServiceNotifier.Passed", [&] {
        if (!active_)
            return;
        const TClock::time_point now = TClock::now();
        std::string state;
        if (watchdogEvery_.count() > 0 && now - lastWatchdog_ >= watchdogEvery_) {
            state = "WATCHDOG=1";
            lastWatchdog_ = now;
        }
        if (statusChanged_ && (idle || now - lastStatus_ >= kStatusEvery)) {
            state += (state.empty() ? "" : "\n") + Status();
            lastStatus_ = now;
        }
        if (!state.empty())
            Send(state);
    });
}

std::chrono::milliseconds TServiceNotifier::Wait(std::chrono::milliseconds pause) const {
    if (!active_ || watchdogEvery_.count() == 0)
        return pause;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(lastWatchdog_ + watchdogEvery_ -
                                                                   TClock::now());
    // At least a millisecond: a watchdog shorter than that must not spin the loop.
    return std::clamp(left, std::chrono::milliseconds(1), pause);
}

void TServiceNotifier::Stopping() {
    GuardedVoid("TServiceNotifier.Stopping", [&] {
        if (active_)
            Send("STOPPING=1");
    });
}

std::string TServiceNotifier::StatusText(size_t folders, size_t converted, size_t failed) {
    return std::to_string(folders) +
           (folders == 1 ? " watch folder armed, " : " watch folders armed, ") +
           std::to_string(converted) + " converted, " + std::to_string(failed) + " failed";
}

std::string TServiceNotifier::Status() {
    statusChanged_ = false;
    return "STATUS=" + StatusText(folders_, converted_, failed_);
}

void TServiceNotifier::Send(const std::string& state) {
    const int result = sd_notify(0, state.c_str());
    if (result >= 0)
        return;
    // Nobody listens there and nobody will: the run goes on as without NOTIFY_SOCKET, and
    // says so once.
    active_ = false;
    TraceError("TServiceNotifier.Send", "cannot notify systemd through NOTIFY_SOCKET " + socket_ +
                                            ": " + std::strerror(-result));
}

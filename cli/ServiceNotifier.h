// What `caplin-cli watch` tells systemd when it runs as a Type=notify service (NOTIFY_SOCKET
// set): ready once armed, the counts so far, the watchdog kept from the main loop, reloading
// and stopping. Without NOTIFY_SOCKET it sends nothing and changes nothing.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

class TServiceNotifier {
public:
    using TClock = std::chrono::steady_clock;

    // Reads NOTIFY_SOCKET and the watchdog period systemd asked for (WATCHDOG_USEC).
    TServiceNotifier();
    TServiceNotifier(const TServiceNotifier&) = delete;
    TServiceNotifier& operator=(const TServiceNotifier&) = delete;

    // The folders are armed (again, after a reload): READY=1 with the counts.
    void Ready(size_t folders);
    // The settings are about to be read again; Ready follows.
    void Reloading();
    // What became of a file taken.
    void Converted(bool succeeded);
    // After every pass of the loop; idle when the loop waits before the next. Sends
    // WATCHDOG=1 when it is due, and the counts when they changed: at once on an idle pass,
    // at most once a second while a burst drains.
    void Passed(bool idle);
    // The longest the loop may wait before its next pass: pause, or less so that the watchdog
    // is not missed.
    std::chrono::milliseconds Wait(std::chrono::milliseconds pause) const;
    // SIGINT or SIGTERM ends the run.
    void Stopping();

    // "2 watch folders armed, 120 converted, 1 failed".
    static std::string StatusText(size_t folders, size_t converted, size_t failed);

private:
    void Send(const std::string& state);
    std::string Status();

    bool active_ = false;
    std::string socket_;
    // How often WATCHDOG=1 goes out; zero when systemd keeps no watchdog.
    std::chrono::microseconds watchdogEvery_{0};
    TClock::time_point lastWatchdog_;
    TClock::time_point lastStatus_;
    size_t folders_ = 0;
    size_t converted_ = 0;
    size_t failed_ = 0;
    bool statusChanged_ = false;
};

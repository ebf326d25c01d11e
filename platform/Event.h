// An auto-reset event with a timed wait, as the polling threads use it to end.
#pragma once

#include <condition_variable>
#include <mutex>

class TEvent {
public:
    // Signals the event; one waiter (or the next wait) returns true and resets it.
    void Set();
    // Waits up to milliseconds; true when signalled (the event is reset), false on time-out.
    bool WaitFor(int milliseconds);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

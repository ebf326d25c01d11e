#include "platform/Event.h"

#include "platform/Trace.h"

#include <chrono>

void TEvent::Set() {
    GuardedVoid("TEvent.Set", [&] {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            signalled_ = true;
        }
        cv_.notify_one();
    });
}

bool TEvent::WaitFor(int milliseconds) {
    return Guarded("TEvent.WaitFor", false, [&] {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto timeout = std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
        if (!cv_.wait_for(lock, timeout, [this] { return signalled_; }))
            return false;
        signalled_ = false; // auto-reset: one wait consumes one Set
        return true;
    });
}

// What became of a change the operator asked of a list: made, refused with the window's
// message, or failed (traced, nothing to say). A change made in the lists of a session can
// then be stored: Store writes just that change into the settings store.
#pragma once

#include <functional>
#include <string>
#include <utility>

inline constexpr const char* kNoItemSelected = "No item selected.";

class TListChange {
public:
    // A failure, already traced.
    TListChange() = default;
    static TListChange Refused(std::string message) {
        TListChange change;
        change.refusal_ = std::move(message);
        return change;
    }
    // store writes the change into the settings store; none for a change that is never
    // stored on its own (the window saves everything at its close).
    static TListChange Made(std::function<bool()> store = {}) {
        TListChange change;
        change.made_ = true;
        change.store_ = std::move(store);
        return change;
    }

    bool IsMade() const { return made_; }
    const std::string& Refusal() const { return refusal_; }
    // False when the change could not be written.
    bool Store() const { return made_ && store_ && store_(); }

private:
    bool made_ = false;
    std::string refusal_;
    std::function<bool()> store_;
};

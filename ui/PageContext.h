// What every page of the window works with: the session it shows and drives, the boxes and
// choosers it asks through, the window's refresh of which controls may be used, and the
// flag that keeps change handlers quiet while controls are filled.
#pragma once

#include <functional>

class IUserDialogs;
class TCaplinSession;

struct TPageContext {
    TCaplinSession& Session;
    IUserDialogs& Dialogs;
    // Enables and disables the controls of every page after a change of the run state or of
    // a governing control.
    std::function<void()> GeneralRefresh;
    // Set while controls are filled from a settings object or written back, so that the change
    // handlers this sets off write nothing.
    bool Updating = false;
};

// Sets a flag while alive and clears it on the way out, failures included.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
};

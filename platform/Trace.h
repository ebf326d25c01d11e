// The process-wide debug trace. Every routine that catches a failure writes exactly one
// line here; operators never see it unless they look (journalctl -t caplin).
#pragma once

#include <functional>
#include <string>

using TTraceSink = std::function<void(const std::string& line)>;

// Writes one line to the installed sink (or the default one chosen by CAPLIN_TRACE).
void Trace(const std::string& line);

// Installs a sink for the whole process and returns the previous one. An empty sink
// restores the default: syslog, or CAPLIN_TRACE=stderr, or CAPLIN_TRACE=<file>.
TTraceSink SetTraceSink(TTraceSink sink);

// "vlm: Error in <name> call..."
void TraceCall(const std::string& name);

// "vlm: Error in <name> - <reason>." (the full stop is added here)
void TraceError(const std::string& name, const std::string& reason);

// Runs body; any exception is swallowed, traced as "<name> call..." and failValue returned.
// This is the one place that applies the failure convention at routine boundaries.
template <class R, class F> R Guarded(const char* name, R failValue, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        try {
            TraceCall(name);
        } catch (...) {
        }
        return failValue;
    }
}

// The same for routines that return nothing.
template <class F> void GuardedVoid(const char* name, F&& body) noexcept {
    try {
        body();
    } catch (...) {
        try {
            TraceCall(name);
        } catch (...) {
        }
    }
}

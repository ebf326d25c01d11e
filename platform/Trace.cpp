#include "platform/Trace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <syslog.h>

namespace {

std::mutex& SinkMutex() {
    static std::mutex m;
    return m;
}

TTraceSink& InstalledSink() {
    static TTraceSink sink;
    return sink;
}

void DefaultSink(const std::string& line) {
    const char* target = std::getenv("CAPLIN_TRACE");
    if (target == nullptr || *target == '\0') {
        static bool opened = false;
        if (!opened) {
            openlog("caplin", LOG_PID, LOG_USER);
            opened = true;
        }
        syslog(LOG_DEBUG, "%s", line.c_str());
        return;
    }
    if (std::string(target) == "stderr") {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
        return;
    }
    if (FILE* f = std::fopen(target, "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

} // namespace

void Trace(const std::string& line) {
    // A failure is traced before its caller words it: the caller still finds the system's
    // reason in errno.
    const int saved = errno;
    {
        // Trace lines come from the polling threads too, so the sink is called under a lock.
        std::lock_guard<std::mutex> lock(SinkMutex());
        if (InstalledSink())
            InstalledSink()(line);
        else
            DefaultSink(line);
    }
    errno = saved;
}

TTraceSink SetTraceSink(TTraceSink sink) {
    std::lock_guard<std::mutex> lock(SinkMutex());
    TTraceSink previous = std::move(InstalledSink());
    InstalledSink() = std::move(sink);
    return previous;
}

void TraceCall(const std::string& name) {
    Trace("vlm: Error in " + name + " call...");
}

void TraceError(const std::string& name, const std::string& reason) {
    Trace("vlm: Error in " + name + " - " + reason + ".");
}

#include "qc/QcChecks.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

TQcFinding MakeFinding(TSTLRuleId rule, int block, const char* format, va_list args) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    const TSTLRule& r = STLRule(rule);
    return TQcFinding{r.Severity == TSTLRuleSeverity::Error ? TQcSeverity::Error
                                                            : TQcSeverity::Warning,
                      r.Field, block, text};
}

} // namespace

void TQcFindings::Add(TSTLRuleId rule, int block, const char* format, ...) {
    va_list args;
    va_start(args, format);
    out_.push_back(MakeFinding(rule, block, format, args));
    va_end(args);
}

void TQcFindings::InsertAt(size_t index, TSTLRuleId rule, int block, const char* format, ...) {
    va_list args;
    va_start(args, format);
    TQcFinding finding = MakeFinding(rule, block, format, args);
    va_end(args);
    out_.insert(out_.begin() + long(std::min(index, out_.size())), std::move(finding));
}

void FormatTimeCode(char* buffer, size_t size, int hours, int minutes, int seconds, int frames) {
    std::snprintf(buffer, size, "%02d:%02d:%02d:%02d", hours, minutes, seconds, frames);
}

const char* FrameRateText(const TQcHeader& header) {
    if (!header.RateKnown)
        return " at any frame rate";
    return header.FrameRate == 25 ? " at 25 frames per second" : " at 30 frames per second";
}

// Helpers shared by the STL reader and writer and by everything that reports to the
// operator: field text extraction, report severities and the report and log callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Status.h"

// Severity of a report. The numbers are part of the interface of every report sink.
enum ReportType : int32_t {
    rtNone = 0,
    rtInfo = 1,
    rtWarning = 2,
    rtError = 3,
};

// "None", "Info", "Warning", "Error", or "Unknown" for any other value.
std::string ReportTypeToString(int32_t type);

// Receives every operator report (a ReportType and the text). Emitters ignore the status;
// an empty function means nobody listens and reports are dropped.
using TReportFunction = std::function<TStatus(int32_t type, const char* text)>;
// Receives every operation-log line; empty means the lines are dropped.
using TLogFunction = std::function<TStatus(const char* text)>;

// A fixed-width field as text: the width bytes, cut at the first NUL byte. No trimming and
// no code-page conversion. Width must be 1 to STL_TEXT_MAX_WIDTH. On failure (null field,
// width out of range) traces "STLTextToString call...", leaves out empty and returns false.
// out keeps its capacity, so a caller that reuses one string allocates nothing per block.
bool STLTextToString(const uint8_t* field, int width, std::string& out);
std::string STLTextToString(const uint8_t* field, int width);

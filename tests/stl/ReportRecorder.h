// Records the reports a TSTLReader sends, for the reader and real-file tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stl/STLReader.h"
#include "stl/STLUtils.h"

struct TRecordedReport {
    int32_t Source;
    int32_t Type;
    std::string Text;
    int32_t Code;
};

class TReportRecorder {
public:
    explicit TReportRecorder(TSTLReader& reader) { reader.SetReportCallback(&Record, this); }

    std::vector<TRecordedReport> Reports;
    TStatus Result = STATUS_OK; // what the callback answers

    std::vector<int32_t> Codes() const {
        std::vector<int32_t> codes;
        for (const auto& report : Reports)
            codes.push_back(report.Code);
        return codes;
    }

private:
    static TStatus Record(void* self, int32_t source, int32_t type, const char* text,
                          int32_t code) {
        auto* recorder = static_cast<TReportRecorder*>(self);
        recorder->Reports.push_back({source, type, text, code});
        return recorder->Result;
    }
};

// The codes of the 29 GSI field reports, followed by more.
inline std::vector<int32_t> GsiInfoCodes(std::vector<int32_t> then = {}) {
    std::vector<int32_t> codes;
    for (int32_t code = 301; code <= 329; ++code)
        codes.push_back(code);
    codes.insert(codes.end(), then.begin(), then.end());
    return codes;
}

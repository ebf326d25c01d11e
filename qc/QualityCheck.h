// Checks an STL file against EBU Tech 3264 before it goes to playout: every value the
// standard does not allow is an Error, what it allows but is suspicious a Warning. A file of
// any length and content gives findings, never a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "qc/QcFinding.h"

struct TQcReport {
    std::string Path;
    std::vector<TQcFinding> Findings;

    int Errors() const;
    int Warnings() const;
};

// The findings for a file's bytes, in block order (GSI fields first, in field order).
std::vector<TQcFinding> CheckSTLData(const uint8_t* data, size_t size);

// Reads the file and checks it; a file that cannot be read is one Error finding of "file".
TQcReport CheckSTLFile(const std::string& path);

// "Error TCI block 3: ..." / "Warning TNB: ..."
std::string FormatQcFinding(const TQcFinding& finding);
// "Error" or "Warning".
const char* QcSeverityName(TQcSeverity severity);
// The line after a file's findings: "2 errors, 1 warning" or "no findings"; never starts
// with "Error " or "Warning ".
std::string QcSummary(const TQcReport& report);

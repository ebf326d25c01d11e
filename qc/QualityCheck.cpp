#include "qc/QualityCheck.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/Trace.h"
#include "qc/QcChecks.h"

namespace {

// The one finding of a check that could not be made, so that it never passes as clean.
TQcFinding Unchecked(const std::string& text) {
    return TQcFinding{TQcSeverity::Error, "file", 0, text};
}

void CheckLength(size_t size, TQcFindings& findings) {
    if (size < size_t(GSI_BLOCK_SIZE))
        findings.Add(srFileLength, 0, "%zu bytes, shorter than the %d-byte GSI block", size,
                     GSI_BLOCK_SIZE);
    else if ((size - GSI_BLOCK_SIZE) % TTI_BLOCK_SIZE != 0)
        findings.Add(srFileLength, 0,
                     "%zu bytes is not 1024 plus a multiple of 128 (%zu bytes after the last "
                     "whole block)",
                     size, (size - GSI_BLOCK_SIZE) % TTI_BLOCK_SIZE);
}

// Why a file cannot be read, in the words of the info command.
std::string ReadFailure(const std::string& path, int error) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return "is a folder";
    if (error == ENOENT || error == ENOTDIR)
        return "no such file";
    if (error == EACCES || error == EPERM)
        return "not readable";
    return std::strerror(error);
}

} // namespace

int TQcReport::Errors() const {
    int count = 0;
    for (const TQcFinding& finding : Findings)
        count += finding.Severity == TQcSeverity::Error;
    return count;
}

int TQcReport::Warnings() const {
    return int(Findings.size()) - Errors();
}

std::vector<TQcFinding> CheckSTLData(const uint8_t* data, size_t size) {
    std::vector<TQcFinding> failed{Unchecked("cannot be checked")};
    return Guarded("CheckSTLData", failed, [&] {
        std::vector<TQcFinding> out;
        TQcFindings findings(out);
        if (data == nullptr)
            size = 0;
        CheckLength(size, findings);
        if (size < size_t(GSI_BLOCK_SIZE))
            return out;
        const uint32_t count = uint32_t((size - GSI_BLOCK_SIZE) / TTI_BLOCK_SIZE);
        TQcHeader header;
        CheckGsiBlock(data, count, header, findings);
        CheckTtiBlocks(data + GSI_BLOCK_SIZE, count, header, findings);
        return out;
    });
}

TQcReport CheckSTLFile(const std::string& path) {
    TQcReport failed{path, {Unchecked("cannot be checked")}};
    return Guarded("CheckSTLFile", failed, [&] {
        TQcReport report{path, {}};
        TFile file;
        // Not zero-filled first: the read fills it, and the check runs before every
        // conversion.
        std::unique_ptr<uint8_t[]> bytes;
        std::string failure;
        int64_t size = -1;
        if (!file.OpenRead(path) || (size = file.Size()) < 0) {
            failure = ReadFailure(path, errno);
        } else {
            bytes.reset(new uint8_t[size_t(size) + 1]);
            const int64_t read = file.ReadAt(0, bytes.get(), size);
            if (read < 0)
                failure = ReadFailure(path, errno);
            else if (read != size)
                failure = "read cut short";
        }
        if (!failure.empty()) {
            report.Findings.push_back(Unchecked("cannot be read: " + failure));
            return report;
        }
        report.Findings = CheckSTLData(bytes.get(), size_t(size));
        return report;
    });
}

const char* QcSeverityName(TQcSeverity severity) {
    return severity == TQcSeverity::Error ? "Error" : "Warning";
}

std::string FormatQcFinding(const TQcFinding& finding) {
    return Guarded("FormatQcFinding", std::string(), [&] {
        std::string line = QcSeverityName(finding.Severity);
        line += ' ';
        line += finding.Field;
        if (finding.Block > 0)
            line += " block " + std::to_string(finding.Block);
        line += ": ";
        line += finding.Text;
        return line;
    });
}

std::string QcSummary(const TQcReport& report) {
    return Guarded("QcSummary", std::string(), [&] {
        const int errors = report.Errors();
        const int warnings = report.Warnings();
        if (errors == 0 && warnings == 0)
            return std::string("no findings");
        auto count = [](int n, const char* what) {
            return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
        };
        return count(errors, "error") + ", " + count(warnings, "warning");
    });
}

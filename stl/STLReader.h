// Opens an STL file, validates its GSI block and hands out its TTI blocks one at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Status.h"
#include "stl/STLBlocks.h"

// Receives the reader's reports: user data as given to SetReportCallback, the source (the
// reader always passes STL_READER_REPORT_SOURCE), a ReportType, the text and the code.
using TSTLReportCallback = TStatus (*)(void* userData, int32_t source, int32_t type,
                                       const char* text, int32_t code);

constexpr int32_t STL_READER_REPORT_SOURCE = 7;

// A GSI field's text as its report line shows it: trimmed, a date as DD:MM:YY. Its bytes are
// those of the file's code page.
std::string GsiFieldShown(const uint8_t* gsi, const TGsiField& field);

// Report codes of OpenFile; the GSI fields report with the codes of GSI_FIELDS.
constexpr int32_t STL_REPORT_CANNOT_LOAD = 201;
constexpr int32_t STL_REPORT_GSI_TOO_SHORT = 202;
constexpr int32_t STL_REPORT_BAD_DISK_FORMAT_CODE = 203;
constexpr int32_t STL_REPORT_BAD_SIZE = 401;

// How many bytes of TTI blocks the reader fetches with one read.
constexpr int64_t STL_READ_AHEAD_SIZE = 1024 * 1024;

class TSTLReader {
public:
    TSTLReader() = default;
    ~TSTLReader();
    TSTLReader(const TSTLReader&) = delete;
    TSTLReader& operator=(const TSTLReader&) = delete;

    // Opens and validates fileName; with verifySize the file must hold every counted block.
    // On success the file stays open for GetTextAndTimingInformation.
    TStatus OpenFile(const std::string& fileName, bool verifySize);
    // Why the last OpenFile failed, in the words of someone who named the file: "no such
    // file", "is a folder", "not readable", "shorter than the block count of its header",
    // "not an EBU STL file" (or the system's reason); empty after a success.
    const std::string& OpenFailure() const { return openFailure_; }
    // Closes the file and sets FrameRate to 0; the count and the buffers keep their values.
    TStatus CloseFile();

    // The reader's own 1024-byte GSI buffer, whether or not a file opened. The caller may
    // edit it in place; it lives as long as the reader.
    TStatus GetGeneralSubtitleInformation(uint8_t*& gsi);
    uint32_t GetTextAndTimingInformationCount() const { return ttiCount_; }
    // Copies block index into the reader's TTI buffer; the pointer is valid until the next
    // call. Blocks are read from the file up to STL_READ_AHEAD_SIZE bytes at a time, so
    // reading a file in order costs one read per window, not one per block.
    TStatus GetTextAndTimingInformation(uint32_t index, uint8_t*& tti);
    // The same for a single look at one block: it alone is read, not the window after it.
    TStatus PeekTextAndTimingInformation(uint32_t index, uint8_t*& tti);
    // Copies blocks first to first + count - 1, as they are, into target at targetOffset,
    // inside the kernel where it can, without passing through this process. STATUS_FAIL
    // when not all arrived; sourceFailed then tells whether reading them was the cause.
    TStatus CopyTextAndTimingInformation(uint32_t first, uint32_t count, TFile& target,
                                         int64_t targetOffset, bool& sourceFailed);

    // Passes a report to the callback; STATUS_FAIL when none is installed.
    TStatus Report(int32_t source, int32_t type, const char* text, int32_t code);
    void SetReportCallback(TSTLReportCallback callback, void* userData);

    // 25 or 30 after a valid Disk Format Code; 0 when created or closed.
    int32_t FrameRate() const { return frameRate_; }

private:
    bool TakeTextAndTimingCount();
    void ReportGsiFields();
    bool ReadAhead(int64_t offset);

    TFile file_;
    uint8_t gsi_[GSI_BLOCK_SIZE] = {};
    uint8_t tti_[TTI_BLOCK_SIZE] = {};
    // Bytes of the file from aheadOffset_ on, aheadLength_ of them valid. Allocated at the
    // first block read (readers that only want the GSI block never need it) and kept.
    std::unique_ptr<uint8_t[]> ahead_;
    int64_t aheadOffset_ = 0;
    int64_t aheadLength_ = 0;
    int64_t aheadCapacity_ = 0;
    uint32_t ttiCount_ = 0;
    int32_t frameRate_ = 0;
    std::string openFailure_;
    TSTLReportCallback callback_ = nullptr;
    void* userData_ = nullptr;
};

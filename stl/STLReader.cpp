#include "stl/STLReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "stl/STLUtils.h"

namespace {

std::string FieldText(const uint8_t* gsi, const TGsiField& field) {
    return TrimText(STLTextToString(gsi + field.Offset, field.Width));
}

// YYMMDD is shown as DD:MM:YY. A date that is not six characters long after trimming (a
// blank field, say) cannot be rearranged and is shown as its trimmed text.
std::string ShowDate(const std::string& date) {
    if (date.size() != 6)
        return date;
    return date.substr(4, 2) + ":" + date.substr(2, 2) + ":" + date.substr(0, 2);
}

// The format with its "%s" replaced by text. Not printf: the text may hold '%'.
std::string FormatReport(const char* format, const std::string& text) {
    std::string line = format;
    const size_t at = line.find("%s");
    if (at != std::string::npos)
        line.replace(at, 2, text);
    return line;
}

int64_t BlocksEnd(uint32_t count) {
    return GSI_BLOCK_SIZE + int64_t(TTI_BLOCK_SIZE) * count;
}

} // namespace

std::string GsiFieldShown(const uint8_t* gsi, const TGsiField& field) {
    const std::string text = FieldText(gsi, field);
    return field.Show == TGsiFieldShow::Date ? ShowDate(text) : text;
}

TSTLReader::~TSTLReader() {
    GuardedVoid("TSTLReader.Destroy", [&] { CloseFile(); });
}

TStatus TSTLReader::OpenFile(const std::string& fileName, bool verifySize) {
    openFailure_ = "not an EBU STL file";
    return Guarded("TSTLReader.OpenFile", STATUS_FAIL, [&]() -> TStatus {
        // A folder of that name is there, it just cannot be loaded: it gets the report.
        struct stat st;
        const bool found = ::stat(fileName.c_str(), &st) == 0;
        const bool isFolder = found && S_ISDIR(st.st_mode);
        if (!found) {
            openFailure_ = "no such file";
            TraceError("TSTLReader.OpenFile", "file not found");
            return STATUS_FAIL;
        }

        file_.Close();
        aheadLength_ = 0;
        if (isFolder || !file_.OpenRead(fileName)) {
            openFailure_ = isFolder                            ? "is a folder"
                           : errno == EACCES || errno == EPERM ? "not readable"
                                                               : std::strerror(errno);
            file_.Close();
            Report(STL_READER_REPORT_SOURCE, rtError, "Cannot load STL file.",
                   STL_REPORT_CANNOT_LOAD);
            return STATUS_FAIL;
        }

        if (file_.ReadAt(0, gsi_, GSI_BLOCK_SIZE) != GSI_BLOCK_SIZE) {
            Report(STL_READER_REPORT_SOURCE, rtError,
                   "Insufficient data reading the General Subtitle Information block",
                   STL_REPORT_GSI_TOO_SHORT);
            file_.Close();
            return STATUS_FAIL;
        }

        const std::string diskFormatCode =
            UpperCaseText(FieldText(gsi_, GsiField(gfDiskFormatCode)));
        if (diskFormatCode == kDiskFormatCode25) {
            frameRate_ = 25;
        } else if (diskFormatCode == kDiskFormatCode30) {
            frameRate_ = 30;
        } else {
            Report(STL_READER_REPORT_SOURCE, rtError, "Invalid STL file Disk Format Code",
                   STL_REPORT_BAD_DISK_FORMAT_CODE);
            file_.Close();
            return STATUS_FAIL;
        }

        // An unreadable count is not reported; the stream stays held until CloseFile.
        if (!TakeTextAndTimingCount()) {
            TraceCall("TSTLReader.OpenFile");
            return STATUS_FAIL;
        }

        ReportGsiFields();

        if (verifySize && file_.Size() < BlocksEnd(ttiCount_)) {
            openFailure_ = "shorter than the block count of its header";
            Report(STL_READER_REPORT_SOURCE, rtError,
                   "Invalid STL file size and Text And Timing Information records count",
                   STL_REPORT_BAD_SIZE);
            file_.Close();
            return STATUS_FAIL;
        }
        openFailure_.clear();
        return STATUS_OK;
    });
}

// The count is Total Number Of Subtitles, unless Total Number Of TTI blocks holds a larger
// valid number and the file really has that many blocks: files with extension or user data
// blocks count fewer subtitles than blocks, and reading only that many would cut them off.
// False when Total Number Of Subtitles is not a number of blocks (blank, malformed or
// negative).
bool TSTLReader::TakeTextAndTimingCount() {
    int32_t subtitles = 0;
    if (!TryStrToInt(FieldText(gsi_, GsiField(gfTotalNumberOfSubtitles)), subtitles) ||
        subtitles < 0)
        return false;
    ttiCount_ = uint32_t(subtitles);

    int32_t blocks = 0;
    if (TryStrToInt(FieldText(gsi_, GsiField(gfTotalNumberOfTTIBlocks)), blocks) &&
        blocks > subtitles && file_.Size() >= BlocksEnd(uint32_t(blocks)))
        ttiCount_ = uint32_t(blocks);
    return true;
}

void TSTLReader::ReportGsiFields() {
    if (callback_ == nullptr)
        return; // nobody listens: spare the formatting
    for (const TGsiField& field : GSI_FIELDS) {
        const std::string line = FormatReport(field.ReportFormat, GsiFieldShown(gsi_, field));
        Report(STL_READER_REPORT_SOURCE, rtInfo, line.c_str(), field.ReportCode);
    }
}

TStatus TSTLReader::CloseFile() {
    return Guarded("TSTLReader.CloseFile", STATUS_FAIL, [&] {
        file_.Close();
        aheadLength_ = 0;
        frameRate_ = 0;
        return STATUS_OK;
    });
}

TStatus TSTLReader::GetGeneralSubtitleInformation(uint8_t*& gsi) {
    gsi = gsi_;
    return STATUS_OK;
}

TStatus TSTLReader::GetTextAndTimingInformation(uint32_t index, uint8_t*& tti) {
    return Guarded("TSTLReader.GetTextAndTimingInformation", STATUS_FAIL, [&]() -> TStatus {
        if (index >= ttiCount_) {
            TraceError("TSTLReader.GetTextAndTimingInformation", "invalid index");
            return STATUS_FAIL;
        }
        if (!file_.IsOpen()) {
            TraceCall("TSTLReader.GetTextAndTimingInformation");
            return STATUS_FAIL;
        }
        const int64_t offset = BlocksEnd(index);
        const bool held =
            offset >= aheadOffset_ && offset + TTI_BLOCK_SIZE <= aheadOffset_ + aheadLength_;
        if (!held && !ReadAhead(offset)) {
            TraceError("TSTLReader.GetTextAndTimingInformation",
                       "cannot read Text And Timing Information");
            return STATUS_FAIL;
        }
        // A copy, so that a caller editing its block in place leaves the window intact.
        std::memcpy(tti_, ahead_.get() + (offset - aheadOffset_), TTI_BLOCK_SIZE);
        tti = tti_;
        return STATUS_OK;
    });
}

TStatus TSTLReader::PeekTextAndTimingInformation(uint32_t index, uint8_t*& tti) {
    return Guarded("TSTLReader.PeekTextAndTimingInformation", STATUS_FAIL, [&]() -> TStatus {
        if (index >= ttiCount_ || !file_.IsOpen()) {
            TraceError("TSTLReader.PeekTextAndTimingInformation", "invalid index");
            return STATUS_FAIL;
        }
        if (file_.ReadAt(BlocksEnd(index), tti_, TTI_BLOCK_SIZE) != TTI_BLOCK_SIZE) {
            TraceError("TSTLReader.PeekTextAndTimingInformation",
                       "cannot read Text And Timing Information");
            return STATUS_FAIL;
        }
        tti = tti_;
        return STATUS_OK;
    });
}

TStatus TSTLReader::CopyTextAndTimingInformation(uint32_t first, uint32_t count, TFile& target,
                                                 int64_t targetOffset, bool& sourceFailed) {
    sourceFailed = false;
    return Guarded("TSTLReader.CopyTextAndTimingInformation", STATUS_FAIL, [&]() -> TStatus {
        if (first > ttiCount_ || count > ttiCount_ - first || !file_.IsOpen()) {
            TraceError("TSTLReader.CopyTextAndTimingInformation", "invalid range");
            return STATUS_FAIL;
        }
        const int64_t bytes = int64_t(TTI_BLOCK_SIZE) * count;
        if (file_.CopyTo(BlocksEnd(first), target, targetOffset, bytes, &sourceFailed) != bytes) {
            TraceError("TSTLReader.CopyTextAndTimingInformation",
                       "cannot copy Text And Timing Information");
            return STATUS_FAIL;
        }
        return STATUS_OK;
    });
}

// Fills the window from offset on, never past the last counted block; false when not even
// the block at offset arrives.
bool TSTLReader::ReadAhead(int64_t offset) {
    // Sized to what the file holds, up to the window's size: a typical file is then read
    // in one call and a small one costs no large allocation.
    const int64_t want = std::min(STL_READ_AHEAD_SIZE, BlocksEnd(ttiCount_) - offset);
    if (!ahead_ || aheadCapacity_ < want) {
        ahead_ = std::make_unique_for_overwrite<uint8_t[]>(size_t(want));
        aheadCapacity_ = want;
    }
    aheadLength_ = 0;
    const int64_t got = file_.ReadAt(offset, ahead_.get(), want);
    if (got < TTI_BLOCK_SIZE)
        return false;
    aheadOffset_ = offset;
    aheadLength_ = got;
    return true;
}

TStatus TSTLReader::Report(int32_t source, int32_t type, const char* text, int32_t code) {
    return Guarded("TSTLReader.Report", STATUS_FAIL, [&]() -> TStatus {
        if (callback_ == nullptr)
            return STATUS_FAIL;
        return callback_(userData_, source, type, text, code);
    });
}

void TSTLReader::SetReportCallback(TSTLReportCallback callback, void* userData) {
    callback_ = callback;
    userData_ = userData;
}

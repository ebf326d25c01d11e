#include "stl/STLWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/Trace.h"
#include "stl/STLReader.h"

TSTLWriter::~TSTLWriter() {
    GuardedVoid("TSTLWriter.Destroy", [&] { file_.Close(); });
}

bool TSTLWriter::SetWriteBufferSize(size_t bytes) {
    return Guarded("TSTLWriter.SetWriteBufferSize", false, [&] {
        if (bufferedCount_ > 0)
            return false;
        const size_t blocks = std::min<size_t>(bytes / TTI_BLOCK_SIZE, STL_MAX_TTI_BLOCKS);
        if (blocks != bufferCapacity_) {
            buffer_.reset();
            bufferCapacity_ = 0;
            if (blocks > 0)
                buffer_ = std::make_unique_for_overwrite<uint8_t[]>(blocks * TTI_BLOCK_SIZE);
            bufferCapacity_ = uint32_t(blocks);
        }
        return true;
    });
}

TStatus TSTLWriter::OpenFile(const std::string& fileName) {
    return Guarded("TSTLWriter.OpenFile", STATUS_FAIL, [&]() -> TStatus {
        file_.Close();
        out_ = &file_;
        // The exclusive create is the existence test: nothing can slip in between.
        if (!file_.CreateExclusive(fileName)) {
            if (errno == EEXIST)
                TraceError("TSTLWriter.OpenFile", "file already exists");
            else
                TraceCall("TSTLWriter.OpenFile");
            return STATUS_FAIL;
        }
        Reset();
        return STATUS_OK;
    });
}

TStatus TSTLWriter::OpenFile(TFile& file) {
    return Guarded("TSTLWriter.OpenFile", STATUS_FAIL, [&]() -> TStatus {
        file_.Close();
        out_ = &file_;
        if (!file.IsOpen()) {
            TraceError("TSTLWriter.OpenFile", "file stream not initialized");
            return STATUS_FAIL;
        }
        out_ = &file;
        Reset();
        return STATUS_OK;
    });
}

void TSTLWriter::Reset() {
    ttiCount_ = 0;
    bufferedCount_ = 0;
    gsiSet_ = false;
    complete_ = false;
}

TStatus TSTLWriter::SetGeneralSubtitleInformation(const uint8_t* gsi) {
    return Guarded("TSTLWriter.SetGeneralSubtitleInformation", STATUS_FAIL, [&]() -> TStatus {
        if (!out_->IsOpen()) {
            TraceError("TSTLWriter.SetGeneralSubtitleInformation", "file stream not initialized");
            return STATUS_FAIL;
        }
        if (gsi == nullptr) {
            TraceError("TSTLWriter.SetGeneralSubtitleInformation", "invalid argument");
            return STATUS_INVALIDARG;
        }
        std::memcpy(gsi_, gsi, GSI_BLOCK_SIZE);
        gsiSet_ = true;
        return STATUS_OK;
    });
}

TStatus TSTLWriter::AddTextAndTimingInformation(const uint8_t* tti) {
    return Guarded("TSTLWriter.AddTextAndTimingInformation", STATUS_FAIL, [&]() -> TStatus {
        if (!gsiSet_) {
            TraceError("TSTLWriter.AddTextAndTimingInformation",
                       "General Subtitle Information not set");
            return STATUS_FAIL;
        }
        if (tti == nullptr) {
            TraceError("TSTLWriter.AddTextAndTimingInformation", "invalid argument");
            return STATUS_INVALIDARG;
        }
        // The count field holds five digits; a block beyond that could never be read back.
        if (ttiCount_ >= STL_MAX_TTI_BLOCKS) {
            TraceError("TSTLWriter.AddTextAndTimingInformation",
                       "too many Text And Timing Information blocks");
            return STATUS_FAIL;
        }
        if (!out_->IsOpen()) {
            TraceCall("TSTLWriter.AddTextAndTimingInformation");
            return STATUS_FAIL;
        }
        if (bufferCapacity_ == 0) {
            const int64_t offset = GSI_BLOCK_SIZE + int64_t(TTI_BLOCK_SIZE) * ttiCount_;
            if (out_->WriteAt(offset, tti, TTI_BLOCK_SIZE) != TTI_BLOCK_SIZE) {
                TraceError("TSTLWriter.AddTextAndTimingInformation",
                           "cannot write Text And Timing Information block");
                return STATUS_FAIL;
            }
        } else {
            if (bufferedCount_ == bufferCapacity_ && !FlushBuffer()) {
                TraceError("TSTLWriter.AddTextAndTimingInformation",
                           "cannot write Text And Timing Information block");
                return STATUS_FAIL;
            }
            std::memcpy(buffer_.get() + size_t(bufferedCount_) * TTI_BLOCK_SIZE, tti,
                        TTI_BLOCK_SIZE);
            ++bufferedCount_;
        }
        ++ttiCount_;
        return STATUS_OK;
    });
}

TStatus TSTLWriter::AddTextAndTimingInformationFrom(TSTLReader& reader, uint32_t first,
                                                    uint32_t count, bool& sourceFailed) {
    sourceFailed = false;
    return Guarded("TSTLWriter.AddTextAndTimingInformationFrom", STATUS_FAIL, [&]() -> TStatus {
        if (!gsiSet_ || !out_->IsOpen() || count > STL_MAX_TTI_BLOCKS - ttiCount_) {
            TraceError("TSTLWriter.AddTextAndTimingInformationFrom", "cannot add the blocks");
            return STATUS_FAIL;
        }
        // Blocks held back go first, so the copied ones follow them in place.
        if (!FlushBuffer()) {
            TraceError("TSTLWriter.AddTextAndTimingInformationFrom",
                       "cannot write Text And Timing Information block");
            return STATUS_FAIL;
        }
        const int64_t offset = GSI_BLOCK_SIZE + int64_t(TTI_BLOCK_SIZE) * ttiCount_;
        if (reader.CopyTextAndTimingInformation(first, count, *out_, offset, sourceFailed) !=
            STATUS_OK)
            return STATUS_FAIL;
        ttiCount_ += count;
        return STATUS_OK;
    });
}

TStatus TSTLWriter::CloseFile() {
    return Guarded("TSTLWriter.CloseFile", STATUS_FAIL, [&] {
        complete_ = false;
        // The GSI block is written even when no block was added, so that the file is a
        // valid, empty subtitle file rather than zero bytes. When blocks are missing it is
        // not written at all: a header counting blocks the file does not hold would pass
        // for a complete file.
        if (gsiSet_ && out_->IsOpen()) {
            if (!FlushBuffer()) {
                TraceError("TSTLWriter.CloseFile",
                           "cannot write Text And Timing Information block");
            } else {
                UpdateGSISubsCount(ttiCount_);
                if (out_->WriteAt(0, gsi_, GSI_BLOCK_SIZE) != GSI_BLOCK_SIZE)
                    TraceError("TSTLWriter.CloseFile",
                               "cannot update the General Subtitle Information block");
                else
                    complete_ = true;
            }
        }
        bufferedCount_ = 0;
        file_.Close();
        out_ = &file_;
        return STATUS_OK;
    });
}

// Writes the waiting blocks to their places; on failure they stay waiting.
bool TSTLWriter::FlushBuffer() {
    if (bufferedCount_ == 0)
        return true;
    const int64_t offset = GSI_BLOCK_SIZE + int64_t(TTI_BLOCK_SIZE) * (ttiCount_ - bufferedCount_);
    const int64_t bytes = int64_t(TTI_BLOCK_SIZE) * bufferedCount_;
    if (out_->WriteAt(offset, buffer_.get(), bytes) != bytes)
        return false;
    bufferedCount_ = 0;
    return true;
}

// Total Number Of Subtitles (offset 243) gets the count left-aligned and blank-padded, as
// readers of this system take it from there. Total Number Of TTI blocks (offset 238) gets
// it as five digits with leading zeros, the standard's form, so the header stays true when
// blocks were dropped on the way. AddTextAndTimingInformation keeps the count within five
// digits; a larger one leaves both fields as they were.
void TSTLWriter::UpdateGSISubsCount(uint32_t count) {
    GuardedVoid("TSTLWriter.UpdateGSISubsCount", [&] {
        if (count > STL_MAX_TTI_BLOCKS)
            throw std::out_of_range("count");
        const TGsiField& subtitles = GsiField(gfTotalNumberOfSubtitles);
        const std::string digits = std::to_string(count);
        std::memset(gsi_ + subtitles.Offset, ' ', size_t(subtitles.Width));
        std::memcpy(gsi_ + subtitles.Offset, digits.data(), digits.size());

        const TGsiField& blocks = GsiField(gfTotalNumberOfTTIBlocks);
        std::memset(gsi_ + blocks.Offset, '0', size_t(blocks.Width));
        std::memcpy(gsi_ + blocks.Offset + blocks.Width - digits.size(), digits.data(),
                    digits.size());
    });
}

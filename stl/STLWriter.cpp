#include "stl/STLWriter.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/Trace.h"

TSTLWriter::~TSTLWriter() {
    GuardedVoid("TSTLWriter.Destroy", [&] { file_.Close(); });
}

TStatus TSTLWriter::OpenFile(const std::string& fileName) {
    return Guarded("TSTLWriter.OpenFile", STATUS_FAIL, [&]() -> TStatus {
        if (FileExists(fileName)) {
            TraceError("TSTLWriter.OpenFile", "file already exists");
            return STATUS_FAIL;
        }
        file_.Close();
        if (!file_.CreateExclusive(fileName)) {
            TraceCall("TSTLWriter.OpenFile");
            return STATUS_FAIL;
        }
        ttiCount_ = 0;
        gsiSet_ = false;
        return STATUS_OK;
    });
}

TStatus TSTLWriter::SetGeneralSubtitleInformation(const uint8_t* gsi) {
    return Guarded("TSTLWriter.SetGeneralSubtitleInformation", STATUS_FAIL, [&]() -> TStatus {
        if (!file_.IsOpen()) {
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
        if (!file_.IsOpen()) {
            TraceCall("TSTLWriter.AddTextAndTimingInformation");
            return STATUS_FAIL;
        }
        const int64_t offset = GSI_BLOCK_SIZE + int64_t(TTI_BLOCK_SIZE) * ttiCount_;
        if (file_.WriteAt(offset, tti, TTI_BLOCK_SIZE) != TTI_BLOCK_SIZE) {
            TraceError("TSTLWriter.AddTextAndTimingInformation",
                       "cannot write Text And Timing Information block");
            return STATUS_FAIL;
        }
        ++ttiCount_;
        return STATUS_OK;
    });
}

TStatus TSTLWriter::CloseFile() {
    return Guarded("TSTLWriter.CloseFile", STATUS_FAIL, [&] {
        // The GSI block is written even when no block was added, so that the file is a
        // valid, empty subtitle file rather than zero bytes.
        if (gsiSet_ && file_.IsOpen()) {
            UpdateGSISubsCount(ttiCount_);
            if (file_.WriteAt(0, gsi_, GSI_BLOCK_SIZE) != GSI_BLOCK_SIZE)
                TraceError("TSTLWriter.CloseFile",
                           "cannot update the General Subtitle Information block");
        }
        file_.Close();
        return STATUS_OK;
    });
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

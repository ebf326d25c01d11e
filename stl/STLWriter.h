// Creates a new STL file: TTI blocks go straight to their final places while the GSI
// block waits in memory; it is written last, at close, once the block count is known.
#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Status.h"
#include "stl/STLBlocks.h"

class TSTLWriter {
public:
    TSTLWriter() = default;
    // Closes the stream without writing the GSI block: a writer abandoned without
    // CloseFile leaves a file whose first 1024 bytes were never written.
    ~TSTLWriter();
    TSTLWriter(const TSTLWriter&) = delete;
    TSTLWriter& operator=(const TSTLWriter&) = delete;

    // Creates fileName, which must not exist yet; an existing file is never touched.
    TStatus OpenFile(const std::string& fileName);
    // Keeps a copy of the 1024-byte block; nothing is written until CloseFile.
    TStatus SetGeneralSubtitleInformation(const uint8_t* gsi);
    // Writes the 128-byte block after the ones already added. At most STL_MAX_TTI_BLOCKS.
    TStatus AddTextAndTimingInformation(const uint8_t* tti);
    // Writes the GSI block with the block count (also when no block was added) and closes
    // the file. Returns STATUS_OK even when the GSI block could not be written (traced).
    TStatus CloseFile();

    uint32_t GetTextAndTimingInformationCount() const { return ttiCount_; }

private:
    void UpdateGSISubsCount(uint32_t count);

    TFile file_;
    uint8_t gsi_[GSI_BLOCK_SIZE] = {};
    bool gsiSet_ = false;
    uint32_t ttiCount_ = 0;
};

// Creates a new STL file: TTI blocks go to their final places (each as it is added, or a
// buffer at a time) while the GSI block waits in memory; it is written last, at close, once
// the block count is known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Status.h"
#include "stl/STLBlocks.h"

class TSTLReader;

class TSTLWriter {
public:
    TSTLWriter() = default;
    // Closes the file it made without writing the GSI block: a writer abandoned without
    // CloseFile leaves a file whose first 1024 bytes were never written.
    ~TSTLWriter();
    TSTLWriter(const TSTLWriter&) = delete;
    TSTLWriter& operator=(const TSTLWriter&) = delete;

    // Without a buffer (the default) every block is written as it is added. With one, blocks
    // collect in memory and are written a buffer at a time: when it is full and at
    // CloseFile, before the GSI block. bytes is rounded down to whole blocks; 0 turns the
    // buffer off. False (and nothing changed) while blocks are waiting to be written.
    bool SetWriteBufferSize(size_t bytes);

    // Creates fileName, which must not exist yet; an existing file is never touched.
    TStatus OpenFile(const std::string& fileName);
    // Writes into file, a new, empty file that the caller opened and keeps: CloseFile writes
    // what is waiting and the GSI block, then lets go of it without closing it, so the
    // caller can still flush and rename it.
    TStatus OpenFile(TFile& file);
    // Keeps a copy of the 1024-byte block; nothing is written until CloseFile.
    TStatus SetGeneralSubtitleInformation(const uint8_t* gsi);
    // Places the 128-byte block after the ones already added. At most STL_MAX_TTI_BLOCKS.
    // When the buffer is full it is written first; if that fails, this call fails, the
    // block is not added and the buffer is kept for the next attempt.
    TStatus AddTextAndTimingInformation(const uint8_t* tti);
    // Places count blocks of reader, from first on, after the ones already added, copied as
    // they are (inside the kernel where it can). sourceFailed tells a failure of reading them
    // from one of writing them.
    TStatus AddTextAndTimingInformationFrom(TSTLReader& reader, uint32_t first, uint32_t count,
                                            bool& sourceFailed);
    // Writes the waiting blocks, then the GSI block with the block count (also when no block
    // was added), and closes the file. Returns STATUS_OK even when a write failed (traced);
    // IsFileComplete tells whether everything reached the file.
    TStatus CloseFile();

    // True after a CloseFile that wrote every block and the GSI block; false before that,
    // after a failed write at close, and when no GSI block was given.
    bool IsFileComplete() const { return complete_; }

    uint32_t GetTextAndTimingInformationCount() const { return ttiCount_; }

private:
    void Reset();
    void UpdateGSISubsCount(uint32_t count);
    bool FlushBuffer();

    TFile file_;          // the file OpenFile(fileName) made
    TFile* out_ = &file_; // the file written to: file_ or the caller's
    uint8_t gsi_[GSI_BLOCK_SIZE] = {};
    bool gsiSet_ = false;
    bool complete_ = false;
    uint32_t ttiCount_ = 0;
    // The last bufferedCount_ of the ttiCount_ blocks wait here, not yet in the file.
    std::unique_ptr<uint8_t[]> buffer_;
    uint32_t bufferCapacity_ = 0; // in blocks
    uint32_t bufferedCount_ = 0;
};

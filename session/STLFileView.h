// An STL file as the viewer shows it: its header fields as `info` names them, its subtitles
// decoded, and the quality findings that fall on each subtitle.
#pragma once

#include <string>
#include <vector>

#include "qc/QcFinding.h"
#include "stl/STLText.h"

struct TSTLHeaderField {
    std::string Name;  // "Code Page Number"
    std::string Value; // UTF-8, decoded by the header's code page
};

struct TSTLFileView {
    std::string Path;
    std::vector<TSTLHeaderField> Header;
    int MaximumRows = 0; // MNR when it is a number from 1 to 99, else 0
    TSTLText Text;
    std::vector<TQcFinding> Findings; // the quality check's, in block order
    // For each subtitle, the indices into Findings of those on its blocks.
    std::vector<std::vector<uint32_t>> SubtitleFindings;
    // For each TTI block (from 1; index 0 unused), the index of its subtitle or -1.
    std::vector<int> BlockSubtitles;

    // The subtitle holding block (from 1); for a block of no subtitle (user data, say) the
    // first one after it, else the last one; -1 when there is none.
    int SubtitleAtBlock(uint32_t block) const;
};

// Reads, decodes and checks the file. False with the reader's reason ("no such file", "not an
// EBU STL file", ...) when it does not open.
bool ReadSTLFileView(const std::string& path, TSTLFileView& view, std::string& failure);

// Header text in the bytes of code page cpn (its number as the header writes it) as UTF-8. A code
// page the system cannot convert is read as Latin-1, so every byte still shows as something.
std::string CodePageTextToUtf8(const std::string& bytes, const std::string& cpn);

#include "session/STLFileView.h"

#include <algorithm>
#include <iconv.h>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "qc/QualityCheck.h"
#include "stl/STLReader.h"

namespace {

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const unsigned char c : bytes) {
        if (c < 0x80) {
            text += char(c);
        } else {
            text += char(0xC0 | (c >> 6));
            text += char(0x80 | (c & 0x3F));
        }
    }
    return text;
}

} // namespace

std::string CodePageTextToUtf8(const std::string& bytes, const std::string& cpn) {
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }))
        return bytes;
    const iconv_t cd = iconv_open("UTF-8", ("CP" + cpn).c_str());
    if (cd == iconv_t(-1))
        return Latin1ToUtf8(bytes);
    std::string in = bytes;
    std::string out(bytes.size() * 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == size_t(-1))
        return Latin1ToUtf8(bytes);
    out.resize(out.size() - outLeft);
    return out;
}

int TSTLFileView::SubtitleAtBlock(uint32_t block) const {
    const std::vector<TSTLSubtitle>& subtitles = Text.Subtitles;
    if (subtitles.empty())
        return -1;
    if (block < BlockSubtitles.size() && BlockSubtitles[block] >= 0)
        return BlockSubtitles[block];
    // Subtitles open in block order, so the first one opened after the block follows it.
    for (size_t i = 0; i < subtitles.size(); ++i)
        if (subtitles[i].FirstBlock > block)
            return int(i);
    return int(subtitles.size()) - 1;
}

bool ReadSTLFileView(const std::string& path, TSTLFileView& view, std::string& failure) {
    view = TSTLFileView();
    view.Path = path;
    if (!ReadSTLText(path, view.Text, failure))
        return false;
    uint8_t gsi[GSI_BLOCK_SIZE];
    TFile file;
    if (!file.OpenRead(path) || file.ReadAt(0, gsi, GSI_BLOCK_SIZE) != GSI_BLOCK_SIZE) {
        failure = "read cut short";
        return false;
    }
    const std::string cpn = GsiFieldShown(gsi, GsiField(gfCodePageNumber));
    for (const TGsiField& field : GSI_FIELDS)
        view.Header.push_back({field.Name, CodePageTextToUtf8(GsiFieldShown(gsi, field), cpn)});
    int rows = 0;
    if (TryStrToInt(GsiFieldShown(gsi, GsiField(gfMaximumNumberOfDisplayableRows)), rows) &&
        rows >= 1 && rows <= 99)
        view.MaximumRows = rows;

    view.Findings = CheckSTLFile(path).Findings;
    // Each block's subtitle, so that every finding finds its own at once.
    const std::vector<TSTLSubtitle>& subtitles = view.Text.Subtitles;
    std::vector<int>& subtitleOf = view.BlockSubtitles;
    for (size_t i = 0; i < subtitles.size(); ++i)
        for (const uint32_t block : subtitles[i].Blocks) {
            if (block >= subtitleOf.size())
                subtitleOf.resize(block + 1, -1);
            subtitleOf[block] = int(i);
        }
    view.SubtitleFindings.resize(subtitles.size());
    for (size_t f = 0; f < view.Findings.size(); ++f) {
        const uint32_t block = uint32_t(std::max(view.Findings[f].Block, 0));
        if (block > 0 && block < subtitleOf.size() && subtitleOf[block] >= 0)
            view.SubtitleFindings[size_t(subtitleOf[block])].push_back(uint32_t(f));
    }
    failure.clear();
    return true;
}

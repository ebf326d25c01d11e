#include "playlist/TarnPlayListReader.h"

#include <stdexcept>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

constexpr int64_t kReadChunkSize = 64 * 1024;
constexpr char kTapeIDMarker[] = "#TAPEID";
// The tape ID starts at the ninth character: the marker and one separator before it.
constexpr size_t kTapeIDStart = 8;

// The field of line starting at from, up to the next ';' or the end; from moves past the
// ';'. A field past the end of the line is empty.
std::string NextField(const std::string& line, size_t& from) {
    if (from > line.size())
        return std::string();
    size_t end = line.find(';', from);
    if (end == std::string::npos)
        end = line.size();
    std::string field = line.substr(from, end - from);
    from = end + 1;
    return field;
}

// An empty or malformed time counts as 0 and never fails the load.
double TimeField(const std::string& field) {
    double value = 0.0;
    return TryStrToFloat(TrimText(field), value) ? value : 0.0;
}

} // namespace

bool TTarnPlayListReader::LoadFile(const std::string& fileName) {
    return Guarded("TTarnPlayListReader.LoadFile", false, [&] {
        TFile file;
        if (!file.OpenRead(fileName))
            throw std::runtime_error("cannot open the playlist");

        bool haveTapeID = false;
        std::string tapeID;
        std::string line;
        // A CR belongs to the line end only in front of its LF; elsewhere (a file with CR
        // line ends, or a CR before the end of the file) it is a character of the line.
        auto takeLine = [&](bool endedByLF) {
            if (endedByLF && !line.empty() && line.back() == '\r')
                line.pop_back();
            if (!haveTapeID) {
                if (line.find(kTapeIDMarker) != std::string::npos) {
                    tapeID = line.size() > kTapeIDStart ? line.substr(kTapeIDStart) : std::string();
                    haveTapeID = true;
                }
            } else if (!line.empty() && line.front() == '"') {
                AddRecord(tapeID, line);
                haveTapeID = false;
            }
            line.clear();
        };

        std::string chunk(static_cast<size_t>(kReadChunkSize), '\0');
        int64_t offset = 0;
        for (;;) {
            const int64_t count = file.ReadAt(offset, chunk.data(), kReadChunkSize);
            if (count < 0)
                throw std::runtime_error("cannot read the playlist");
            if (count == 0)
                break;
            offset += count;
            const std::string_view read(chunk.data(), static_cast<size_t>(count));
            size_t start = 0;
            while (start < read.size()) {
                const size_t lf = read.find('\n', start);
                if (lf == std::string_view::npos) {
                    line.append(read.substr(start));
                    break;
                }
                line.append(read.substr(start, lf - start));
                takeLine(true);
                start = lf + 1;
            }
        }
        if (!line.empty())
            takeLine(false); // the last line counts without a line end
        return true;
    });
}

void TTarnPlayListReader::AddRecord(const std::string& tapeID, const std::string& clipLine) {
    size_t from = 0;
    const std::string nameField = NextField(clipLine, from);
    const std::string fileName =
        nameField.size() >= 2 ? nameField.substr(1, nameField.size() - 2) : std::string();
    const double inTime = TimeField(NextField(clipLine, from));
    const double outTime = TimeField(NextField(clipLine, from));

    if (!foldedNames_.insert(FoldText(fileName)).second)
        return; // the first clip of that name wins
    items_.push_back(TTarnPlayListItem{tapeID, fileName, outTime - inTime});
}

int32_t TTarnPlayListReader::ItemCount() const {
    return Guarded("TTarnPlayListReader.ItemCount", int32_t(0),
                   [&] { return static_cast<int32_t>(items_.size()); });
}

bool TTarnPlayListReader::GetItem(int32_t index, std::string& fileName, std::string& tapeID,
                                  double& duration) const {
    return Guarded("TTarnPlayListReader.GetItem", false, [&] {
        fileName.clear();
        tapeID.clear();
        if (index < 0 || static_cast<size_t>(index) >= items_.size())
            return false;
        const TTarnPlayListItem& item = items_[static_cast<size_t>(index)];
        fileName = item.FileName;
        tapeID = item.TapeID;
        duration = item.Duration;
        return true;
    });
}

bool TTarnPlayListReader::IsFileInTheList(const std::string& fileName) const {
    return Guarded("TTarnPlayListReader.IsFileInTheList", false,
                   [&] { return foldedNames_.count(FoldText(fileName)) != 0; });
}

void TTarnPlayListReader::ClearItemList() {
    GuardedVoid("TTarnPlayListReader.ClearItemList", [&] {
        items_.clear();
        foldedNames_.clear();
    });
}

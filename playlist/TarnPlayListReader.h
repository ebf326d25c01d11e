// Reads a playlist (*.ply) into its list of clips: each clip's tape ID, file name and
// duration.
//
// The file is a sequence of records: a line holding "#TAPEID", then (possibly after other
// lines) the first line starting with '"', whose ';'-separated fields are the quoted file
// name, the in time and the out time in seconds. Every other line is ignored.
//
// Lines end with LF or CR LF. A CR anywhere else (a file with CR line ends, a CR just
// before the end of the file) is an ordinary character of its line, so a file using CR alone
// is one long line and gives no clips. NUL bytes are ordinary characters too, and a last
// line without a line end still counts.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

struct TTarnPlayListItem {
    std::string TapeID;    // from the 9th character of the tape-ID line on, not trimmed
    std::string FileName;  // the first field of the clip line without its first and last byte
    double Duration = 0.0; // out time minus in time, seconds
};

class TTarnPlayListReader {
public:
    TTarnPlayListReader() = default;
    ~TTarnPlayListReader() = default;
    TTarnPlayListReader(const TTarnPlayListReader&) = delete;
    TTarnPlayListReader& operator=(const TTarnPlayListReader&) = delete;

    // Appends the file's clips to the list (the list is not cleared first). A clip whose file
    // name is already listed (trimmed, upper-cased) is left out: the first one wins. False
    // (and traced) when the file cannot be opened or read; clips read so far stay.
    bool LoadFile(const std::string& fileName);

    int32_t ItemCount() const;
    // Clears the out texts, then copies item index; false for an index out of range.
    bool GetItem(int32_t index, std::string& fileName, std::string& tapeID, double& duration) const;
    // True when a listed file name equals fileName, both trimmed and upper-cased.
    bool IsFileInTheList(const std::string& fileName) const;
    void ClearItemList();

private:
    void AddRecord(const std::string& tapeID, const std::string& clipLine);

    std::vector<TTarnPlayListItem> items_;
    // The folded file names of items_, so a playlist of thousands of clips is not checked
    // for duplicates clip against clip.
    std::unordered_set<std::string> foldedNames_;
};

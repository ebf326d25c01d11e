#include "session/ListViews.h"

namespace {

std::string Number(size_t index) {
    return std::to_string(index + 1);
}

// Every entry of items (owned pointers) as a row of rowOf.
template <class Items, class RowOf>
TListTable Table(const TListRow& captions, const Items& items, RowOf rowOf) {
    TListTable table{captions, {}};
    table.Rows.reserve(items.size());
    for (size_t n = 0; n < items.size(); ++n)
        table.Rows.push_back(rowOf(*items[n], n));
    return table;
}

} // namespace

const TListRow& BatchListCaptions() {
    static const TListRow captions = {"#", "File Name", "Status"};
    return captions;
}

TListRow BatchListRow(const TBatchItem& item, size_t index) {
    return {Number(index), item.FileName, BatchItemStatusText(item.Status)};
}

const TListRow& WatchFolderCaptions() {
    static const TListRow captions = {"#", "Watch Folder", "Destination Folder", "Comment"};
    return captions;
}

TListRow WatchFolderRow(const TWatchFolderSTLConvertSettings& settings, size_t index) {
    return {Number(index), settings.WatchFolder, settings.DestinationFolder, settings.Comment};
}

const TListRow& PlaylistCaptions() {
    static const TListRow captions = {"#", "Playlists Folder", "Subtitles Folder", "Comment"};
    return captions;
}

TListRow PlaylistRow(const TPlaylistCheckSettings& entry, size_t index) {
    return {Number(index), entry.PlaylistsFolder, entry.SubtitlesFolder, entry.Comment};
}

const TListRow& FileTypeCaptions() {
    static const TListRow captions = {"#",
                                      "Profile Name",
                                      "File Name Chars Count",
                                      "TapeID Start Pos",
                                      "TapeID Chars Count",
                                      "Lang Start Pos",
                                      "Lang Chars Count"};
    return captions;
}

TListRow FileTypeRow(const TSubtitleFileType& type, size_t index) {
    return {Number(index),
            type.Name,
            std::to_string(type.CharsCount),
            std::to_string(type.TapeIDParseStringStartPosition),
            std::to_string(type.TapeIDParseStringCharsCount),
            std::to_string(type.LanguageParseStringStartPosition),
            std::to_string(type.LanguageParseStringCharsCount)};
}

TListTable FileTypeTable(const TSubtitleFileTypeList& list) {
    return Table(FileTypeCaptions(), list, FileTypeRow);
}

const TListRow& HexItemCaptions() {
    static const TListRow captions = {"#", "Find Hex", "Replace Hex"};
    return captions;
}

TListRow HexItemRow(const THexFindAndReplaceValue& item, size_t index) {
    return {Number(index), HexValueToDisplay(item.FindHex, item.NumBytes),
            HexValueToDisplay(item.ReplaceHex, item.NumBytes)};
}

TListTable HexItemTable(const THexFindAndReplaceList& list) {
    return Table(HexItemCaptions(), list, HexItemRow);
}

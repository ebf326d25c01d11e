// The five lists of the window as their report views show them and the command line prints
// them: the captions of the columns, "#" first, and the cells of each row, "#" counting from 1.
// The captions are written here only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "convert/HexFindReplace.h"
#include "convert/SubtitleFileType.h"
#include "playlist/PlaylistCheckList.h"
#include "session/BatchRun.h"
#include "watchfolder/WatchFolderList.h"

using TListRow = std::vector<std::string>;

// A whole list: its captions and a row per entry.
struct TListTable {
    TListRow Captions;
    std::vector<TListRow> Rows;
};

const TListRow& BatchListCaptions();
TListRow BatchListRow(const TBatchItem& item, size_t index);

const TListRow& WatchFolderCaptions();
TListRow WatchFolderRow(const TWatchFolderSTLConvertSettings& settings, size_t index);

const TListRow& PlaylistCaptions();
TListRow PlaylistRow(const TPlaylistCheckSettings& entry, size_t index);

const TListRow& FileTypeCaptions();
TListRow FileTypeRow(const TSubtitleFileType& type, size_t index);
TListTable FileTypeTable(const TSubtitleFileTypeList& list);

const TListRow& HexItemCaptions();
TListRow HexItemRow(const THexFindAndReplaceValue& item, size_t index);
TListTable HexItemTable(const THexFindAndReplaceList& list);

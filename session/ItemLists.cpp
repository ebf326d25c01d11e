#include "session/ItemLists.h"

#include "convert/SettingsChoices.h"
#include "platform/SettingsKeys.h"
#include "session/CaplinSession.h"

TListOwner BatchListOwner(TCaplinSession& session) {
    return {session.BatchSettings(), kBatchKey};
}

TListOwner WatchFolderListOwner(TCaplinSession& session, size_t index) {
    return {&session.WatchFolderList()->Items.at(index)->Settings,
            TWatchFolderList::EntryKey(index)};
}

std::string FileTypeLimitRefusal(const TSubtitleFileTypeList& list) {
    return list.size() >= size_t(kMaxSubtitleFileTypes) ? kMaxSubtitleFileTypesMessage : "";
}

TListChange AddFileType(TSubtitleFileTypeList& list, const TSubtitleFileType& type) {
    if (std::string refusal = FileTypeLimitRefusal(list); !refusal.empty())
        return TListChange::Refused(std::move(refusal));
    list.push_back(std::make_unique<TSubtitleFileType>(type));
    return TListChange::Made();
}

TSubtitleFileType NewFileType(const std::vector<TSettingInput>& values) {
    TSubtitleFileType type;
    for (const TSettingValue* value : SettingValuesOf(spFileType))
        SetSubtitleFileTypeValue(type, FreshSettingInput(*value, TMainSettings{}).Stored);
    for (const TSettingInput& input : values)
        SetSubtitleFileTypeValue(type, input.Stored);
    return type;
}

THexEntryCheck AddHexItem(THexFindAndReplaceList& list, const std::string& find,
                          const std::string& replace) {
    // The limit comes first: a full list refuses even entries that would not pass.
    if (list.size() >= size_t(kMaxHexFindAndReplaceValues))
        return {false, kMaxHexItemsMessage, THexEntryField::None};
    THexFindAndReplaceValue item;
    const THexEntryCheck check = CheckHexEntries(find, replace, item);
    if (check.Accepted)
        list.push_back(std::make_unique<THexFindAndReplaceValue>(item));
    return check;
}

THexEntryCheck UpdateHexItem(THexFindAndReplaceList& list, int row, const std::string& find,
                             const std::string& replace) {
    THexFindAndReplaceValue item;
    const THexEntryCheck check = CheckHexEntries(find, replace, item);
    if (check.Accepted && row >= 0 && size_t(row) < list.size())
        *list[size_t(row)] = item;
    return check;
}

const TItemList kFileTypeItems = {
    "file type",
    [](const TSTLConvertSettings& settings) { return settings.SubtitleFileTypes.size(); },
    [](const TSTLConvertSettings& settings) { return FileTypeTable(settings.SubtitleFileTypes); },
    [](TSTLConvertSettings& settings, int row) {
        return RemoveListItem(settings.SubtitleFileTypes, row);
    },
    [](const TListOwner& owner) {
        return SaveSubtitleFileTypeListToRegistry(owner.Key + kSubtitleFileTypeSubKey,
                                                  &owner.Settings->SubtitleFileTypes);
    }};

const TItemList kHexItems = {
    "hex item",
    [](const TSTLConvertSettings& settings) { return settings.HexFindAndReplaceItems.size(); },
    [](const TSTLConvertSettings& settings) {
        return HexItemTable(settings.HexFindAndReplaceItems);
    },
    [](TSTLConvertSettings& settings, int row) {
        return RemoveListItem(settings.HexFindAndReplaceItems, row);
    },
    [](const TListOwner& owner) {
        return SaveHexFindAndReplaceListToRegistry(owner.Key + kHexFindReplaceSubKey,
                                                   &owner.Settings->HexFindAndReplaceItems);
    }};

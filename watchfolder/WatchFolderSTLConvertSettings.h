// The conversion settings of one watch folder: the batch settings plus the watched folder
// and a free-text comment.
#pragma once

#include <string>
#include <vector>

#include "convert/STLConvertSettings.h"

class TWatchFolderSTLConvertSettings : public TSTLConvertSettings {
public:
    bool Assign(const TSTLConvertSettings& source) override;
    bool SameAs(const TSTLConvertSettings& other) const override;
    bool LoadFromRegistry(const std::string& key, const std::string& hexFindReplaceSubKey,
                          const std::string& subtitleFileTypeSubKey) override;
    bool SaveToRegistry(const std::string& key, const std::string& hexFindReplaceSubKey,
                        const std::string& subtitleFileTypeSubKey) const override;

    std::string WatchFolder;
    std::string Comment;
};

// WatchFolder and Comment, in the order they are stored after the conversion values.
std::vector<const TSettingValue*> WatchFolderSettingValues();

// Every choice that governs the conversion of one STL file, persisted as the values of one
// settings key with its two lists in subkeys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/HexFindReplace.h"
#include "convert/SubtitleFileType.h"
#include "platform/SettingsKeys.h"

// Item indexes of the source drop-down lists; stored values outside them are kept as they
// are and judged by the conversion.
enum TTapeIDSource : int32_t { tisSource = 0, tisPredefined = 1, tisFileName = 2 };
enum TLanguageSource : int32_t { lsSource = 0, lsPredefined = 1, lsFileName = 2 };

// What the conversion does with the findings of the quality check of its source; a stored
// value outside these reads as qcOff.
enum TQualityCheck : int32_t { qcOff = 0, qcReport = 1, qcRefuse = 2 };

class TSTLConvertSettings {
public:
    TSTLConvertSettings() = default;
    virtual ~TSTLConvertSettings();
    TSTLConvertSettings(const TSTLConvertSettings&) = delete;
    TSTLConvertSettings& operator=(const TSTLConvertSettings&) = delete;

    virtual bool Assign(const TSTLConvertSettings& source);
    // Every value and list item equal: what a conversion would do is the same.
    virtual bool SameAs(const TSTLConvertSettings& other) const;
    virtual bool LoadFromRegistry(const std::string& key, const std::string& hexFindReplaceSubKey,
                                  const std::string& subtitleFileTypeSubKey);
    virtual bool SaveToRegistry(const std::string& key, const std::string& hexFindReplaceSubKey,
                                const std::string& subtitleFileTypeSubKey) const;

    std::string DestinationFolder;
    TSubtitleFileTypeList SubtitleFileTypes;
    THexFindAndReplaceList HexFindAndReplaceItems;
    int32_t TapeIDSource = 0;
    std::string TapeIDPredefined;
    int32_t LanguageSource = 0;
    std::string LanguagePredefined;
    bool PerformLanguageCheck = false;
    bool RemoveZeroPage = false;
    std::string ZeroPageKeyWord;
    int32_t TimeCodeStartOfProgrammeSource = 0;
    std::string TimeCodeStartOfProgramme;
    int32_t TimeCodeFirstInCueSource = 0;
    std::string TimeCodeFirstInCue;
    int32_t FramesPerSecondSource = 0;
    std::string FramesPerSecond;
    bool OverrideDestination = false;
    bool MoveProcessedFiles = false;
    std::string MoveProcessedFilesFolder;
    int32_t CodePageNumberSource = 0;
    std::string CodePageNumberCustom;
    int32_t CharacterCodeTableNumberSource = 0;
    int32_t DisplayStandardCodeSource = 0;
    int32_t QualityCheck = qcOff;
};

struct TSettingValue;

// The conversion values of the Batch page and of every watch folder, in the order they are
// stored.
std::vector<const TSettingValue*> ConversionSettingValues();

// The window-wide frame-rate policy brought into range: a source other than 0 (keep each
// file's rate) or 1 (force fps) becomes 0, a rate other than the two Disk Format Codes
// becomes the 25 frames code.
void NormaliseFrameRatePolicy(int32_t& fpsSource, std::string& fps);
// The policy, in range, into settings: every conversion of the window and the command line
// takes its frame rate from here.
void ApplyFrameRatePolicy(TSTLConvertSettings& settings, int32_t fpsSource, const std::string& fps);

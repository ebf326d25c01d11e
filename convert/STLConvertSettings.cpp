#include "convert/STLConvertSettings.h"

#include <algorithm>

#include "convert/SettingsChoices.h"
#include "platform/Registry.h"
#include "platform/SettingValue.h"
#include "platform/Trace.h"
#include "stl/STLBlocks.h"
#include "stl/STLCodePages.h"

namespace {

using S = TSTLConvertSettings;
using F = TValueForm;
using namespace setting;

constexpr uint32_t kConversion = spBatch | spWatchFolderEntry;
constexpr uint32_t kWF = spWatchFolderEntry;

// Every scalar field in field order: the order of the values in the settings key and the
// order in which Assign copies them.
constexpr TSettingField<S> kFields[] = {
    {String("DestinationFolder", kConversion, F::Folder,
            "folder the converted files are written to"),
     MemberOf<&S::DestinationFolder>},
    {Choice("TapeIDSource", kConversion, kTapeIDSourceItems, spBatch,
            "where the tape ID (Subtitle List Reference Code) comes from"),
     MemberOf<&S::TapeIDSource>},
    {String("TapeIDPredefined", kConversion, F::Text, "tape ID written when TapeIDSource is 1", "",
            16),
     MemberOf<&S::TapeIDPredefined>},
    {Choice("LanguageSource", kConversion, kLanguageSourceItems, kConversion,
            "where the Language Code comes from"),
     MemberOf<&S::LanguageSource>},
    {String("LanguagePredefined", kConversion, F::Language,
            "language written when LanguageSource is 1"),
     MemberOf<&S::LanguagePredefined>},
    {Flag("PerformLanguageCheck", kConversion,
          "refuse a file whose Language Code differs from the language chosen"),
     MemberOf<&S::PerformLanguageCheck>},
    {Flag("RemoveZeroPage", kConversion,
          "drop the first subtitle when its text holds ZeroPageKeyWord"),
     MemberOf<&S::RemoveZeroPage>},
    {String("ZeroPageKeyWord", kConversion, F::Text, "keyword of the zero page, case-sensitive"),
     MemberOf<&S::ZeroPageKeyWord>},
    {Choice("TimeCodeStartOfProgrammeSource", kConversion, kTimeCodeStartOfProgrammeItems, spBatch,
            "whether Time Code Start Of Programme is kept or written"),
     MemberOf<&S::TimeCodeStartOfProgrammeSource>},
    {String("TimeCodeStartOfProgramme", kConversion, F::TimeCode,
            "Time Code Start Of Programme written when its source is 1"),
     MemberOf<&S::TimeCodeStartOfProgramme>},
    {NoControl(Number("TimeCodeFirstInCueSource", kConversion, "0", 0, 1,
                      "1 writes TimeCodeFirstInCue, 0 keeps the source's Time Code First In Cue")),
     MemberOf<&S::TimeCodeFirstInCueSource>},
    {NoControl(String("TimeCodeFirstInCue", kConversion, F::TimeCode,
                      "Time Code First In Cue written when its source is 1")),
     MemberOf<&S::TimeCodeFirstInCue>},
    {SetFrom(Number("FramesPerSecondSource", kConversion, "0", 0, 1,
                    "1 writes FramesPerSecond, 0 keeps the source's Disk Format Code"),
             "FPSSource"),
     MemberOf<&S::FramesPerSecondSource>},
    {SetFrom(String("FramesPerSecond", kConversion, F::FrameRate,
                    "Disk Format Code written when its source is 1"),
             "FPS"),
     MemberOf<&S::FramesPerSecond>},
    {Flag("OverrideDestination", kConversion, "replace a destination file that exists"),
     MemberOf<&S::OverrideDestination>},
    // A drop-down list over a flag: item 1 stands for set.
    {{.Name = "MoveProcessedFiles",
      .Parts = kConversion,
      .Type = TStoredType::Flag,
      .Form = F::Choice,
      .Default = "0",
      .Items = kMoveProcessedFilesItems,
      .Min = 0,
      .Max = 1,
      .Meaning = "whether a converted source is moved away"},
     MemberOf<&S::MoveProcessedFiles>},
    {String("MoveProcessedFilesFolder", kConversion, F::Folder,
            "folder the converted sources are moved to"),
     MemberOf<&S::MoveProcessedFilesFolder>},
    {Choice("CodePageNumberSource", kConversion, kCodePageNumberItems, kConversion,
            "where the Code Page Number comes from"),
     MemberOf<&S::CodePageNumberSource>},
    {{.Name = "CodePageNumberCustom",
      .Parts = kConversion,
      .Type = TStoredType::String,
      .Form = F::CodePage,
      .Default = "",
      .Min = 0,
      .Max = 999,
      .Fallback = STL_FALLBACK_CODE_PAGE,
      .Meaning = "Code Page Number written when CodePageNumberSource is 6"},
     MemberOf<&S::CodePageNumberCustom>},
    {Choice("CharacterCodeTableNumberSource", kConversion, kCharacterCodeTableNumberItems, kWF,
            "where the Character Code Table Number comes from"),
     MemberOf<&S::CharacterCodeTableNumberSource>},
    {Choice("DisplayStandardCodeSource", kConversion, kDisplayStandardCodeItems, kWF,
            "where the Display Standard Code comes from"),
     MemberOf<&S::DisplayStandardCodeSource>},
    // Read as qcOff when out of range, as every run takes it.
    {WithFallback(
         Choice("QualityCheck", kConversion, kQualityCheckItems, 0,
                "whether each file is checked against EBU Tech 3264 before it is converted"),
         "0"),
     MemberOf<&S::QualityCheck>},
};

// The list subkeys are appended to the key, so "Batch" and "Batch\" name the same ones.
std::string WithTrailingBackslash(const std::string& key) {
    if (key.empty() || key.back() != '\\')
        return key + '\\';
    return key;
}

// Loads (save false) or saves settings under key: its two lists in their subkeys through types
// and hex, then its values through values. Without the key (nothing stored yet) a load leaves
// every value as it was.
template <class TSettings, class TTypes, class THex, class TValues>
bool ThroughKey(const char* routine, bool save, TSettings& settings, const std::string& key,
                const std::string& hexFindReplaceSubKey, const std::string& subtitleFileTypeSubKey,
                TTypes types, THex hex, TValues values) {
    return Guarded(routine, false, [&] {
        const std::string base = WithTrailingBackslash(key);
        const std::string verb = save ? "save" : "load";
        if (!types(base + subtitleFileTypeSubKey, &settings.SubtitleFileTypes)) {
            TraceError(routine, "cannot " + verb + " subtitle file type to registry");
            return false;
        }
        if (!hex(base + hexFindReplaceSubKey, &settings.HexFindAndReplaceItems)) {
            TraceError(routine, "cannot " + verb + " hex find and replace to registry");
            return false;
        }
        TRegistry registry;
        if (registry.OpenKey(base, save))
            values(registry);
        return true;
    });
}

} // namespace

TSTLConvertSettings::~TSTLConvertSettings() {
    GuardedVoid("TSTLConvertSettings.Destroy", [&] {
        FreeSubtitleFileTypeList(&SubtitleFileTypes);
        FreeHexFindAndReplaceList(&HexFindAndReplaceItems);
    });
}

bool TSTLConvertSettings::Assign(const TSTLConvertSettings& source) {
    return Guarded("TSTLConvertSettings.Assign", false, [&] {
        if (&source == this)
            return true;
        // The copies hold at most 16 entries each; what they report is not needed here.
        AssignHexFindAndReplaceList(&source.HexFindAndReplaceItems, &HexFindAndReplaceItems);
        AssignSubtitleFileTypeList(&source.SubtitleFileTypes, &SubtitleFileTypes);
        CopySettings(kFields, source, *this);
        return true;
    });
}

bool TSTLConvertSettings::SameAs(const TSTLConvertSettings& other) const {
    return Guarded("TSTLConvertSettings.SameAs", false, [&] {
        const auto sameItems = [](const auto& a, const auto& b) {
            return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                              [](const auto& x, const auto& y) { return *x == *y; });
        };
        return SameSettings(kFields, *this, other) &&
               sameItems(SubtitleFileTypes, other.SubtitleFileTypes) &&
               sameItems(HexFindAndReplaceItems, other.HexFindAndReplaceItems);
    });
}

bool TSTLConvertSettings::LoadFromRegistry(const std::string& key,
                                           const std::string& hexFindReplaceSubKey,
                                           const std::string& subtitleFileTypeSubKey) {
    return ThroughKey("TSTLConvertSettings.LoadFromRegistry", false, *this, key,
                      hexFindReplaceSubKey, subtitleFileTypeSubKey,
                      LoadSubtitleFileTypeListToRegistry, LoadHexFindAndReplaceListToRegistry,
                      [this](TRegistry& registry) { LoadSettings(registry, kFields, *this); });
}

bool TSTLConvertSettings::SaveToRegistry(const std::string& key,
                                         const std::string& hexFindReplaceSubKey,
                                         const std::string& subtitleFileTypeSubKey) const {
    return ThroughKey("TSTLConvertSettings.SaveToRegistry", true, *this, key, hexFindReplaceSubKey,
                      subtitleFileTypeSubKey, SaveSubtitleFileTypeListToRegistry,
                      SaveHexFindAndReplaceListToRegistry,
                      [this](TRegistry& registry) { SaveSettings(registry, kFields, *this); });
}

std::vector<const TSettingValue*> ConversionSettingValues() {
    return ValuesOfFields(kFields);
}

void NormaliseFrameRatePolicy(int32_t& fpsSource, std::string& fps) {
    if (fpsSource != 0 && fpsSource != 1)
        fpsSource = 0;
    if (fps != kDiskFormatCode25 && fps != kDiskFormatCode30)
        fps = kDiskFormatCode25;
}

void ApplyFrameRatePolicy(TSTLConvertSettings& settings, int32_t fpsSource,
                          const std::string& fps) {
    settings.FramesPerSecondSource = fpsSource;
    settings.FramesPerSecond = fps;
    NormaliseFrameRatePolicy(settings.FramesPerSecondSource, settings.FramesPerSecond);
}

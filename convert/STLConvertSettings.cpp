#include "convert/STLConvertSettings.h"

#include "convert/SettingsValues.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "stl/STLBlocks.h"

using namespace settingsvalues;

namespace {

// One scalar field: its value name (the field's name) and where it lives. Exactly one of
// the three members is set.
struct TScalarField {
    const char* Name;
    std::string TSTLConvertSettings::*Text = nullptr;
    int32_t TSTLConvertSettings::*Number = nullptr;
    bool TSTLConvertSettings::*Flag = nullptr;
    const char* TextFallback = ""; // taken when a string value has another type
    // For a number with a fixed set of values: the last one; any other reads as 0.
    int32_t Last = -1;
};

using S = TSTLConvertSettings;

// Every scalar field in field order: the order of the values in the settings key and the
// order in which Assign copies them.
const TScalarField SCALAR_FIELDS[] = {
    {.Name = "DestinationFolder", .Text = &S::DestinationFolder},
    {.Name = "TapeIDSource", .Number = &S::TapeIDSource},
    {.Name = "TapeIDPredefined", .Text = &S::TapeIDPredefined},
    {.Name = "LanguageSource", .Number = &S::LanguageSource},
    {.Name = "LanguagePredefined", .Text = &S::LanguagePredefined},
    {.Name = "PerformLanguageCheck", .Flag = &S::PerformLanguageCheck},
    {.Name = "RemoveZeroPage", .Flag = &S::RemoveZeroPage},
    {.Name = "ZeroPageKeyWord", .Text = &S::ZeroPageKeyWord},
    {.Name = "TimeCodeStartOfProgrammeSource", .Number = &S::TimeCodeStartOfProgrammeSource},
    {.Name = "TimeCodeStartOfProgramme", .Text = &S::TimeCodeStartOfProgramme},
    {.Name = "TimeCodeFirstInCueSource", .Number = &S::TimeCodeFirstInCueSource},
    {.Name = "TimeCodeFirstInCue", .Text = &S::TimeCodeFirstInCue},
    {.Name = "FramesPerSecondSource", .Number = &S::FramesPerSecondSource},
    {.Name = "FramesPerSecond", .Text = &S::FramesPerSecond},
    {.Name = "OverrideDestination", .Flag = &S::OverrideDestination},
    {.Name = "MoveProcessedFiles", .Flag = &S::MoveProcessedFiles},
    {.Name = "MoveProcessedFilesFolder", .Text = &S::MoveProcessedFilesFolder},
    {.Name = "CodePageNumberSource", .Number = &S::CodePageNumberSource},
    {.Name = "CodePageNumberCustom", .Text = &S::CodePageNumberCustom, .TextFallback = "850"},
    {.Name = "CharacterCodeTableNumberSource", .Number = &S::CharacterCodeTableNumberSource},
    {.Name = "DisplayStandardCodeSource", .Number = &S::DisplayStandardCodeSource},
    {.Name = "QualityCheck", .Number = &S::QualityCheck, .Last = qcRefuse},
};

void CopyField(const TScalarField& field, const S& source, S& destination) {
    if (field.Text)
        destination.*field.Text = source.*field.Text;
    else if (field.Number)
        destination.*field.Number = source.*field.Number;
    else
        destination.*field.Flag = source.*field.Flag;
}

// A number outside the field's values reads as a failed read does.
int32_t ReadNumber(const TScalarField& field, const TRegistry& registry) {
    const int32_t value = ReadIntegerOr(registry, field.Name, 0);
    return field.Last >= 0 && (value < 0 || value > field.Last) ? 0 : value;
}

// A failed read sets the field to its fallback and never stops the load.
void LoadField(const TScalarField& field, const TRegistry& registry, S& settings) {
    if (field.Text)
        settings.*field.Text = ReadStringOr(registry, field.Name, field.TextFallback);
    else if (field.Number)
        settings.*field.Number = ReadNumber(field, registry);
    else
        settings.*field.Flag = ReadBoolOr(registry, field.Name, false);
}

void SaveField(const TScalarField& field, TRegistry& registry, const S& settings) {
    if (field.Text)
        WriteString(registry, field.Name, settings.*field.Text);
    else if (field.Number)
        WriteInteger(registry, field.Name, settings.*field.Number);
    else
        WriteBool(registry, field.Name, settings.*field.Flag);
}

// The list subkeys are appended to the key, so "Batch" and "Batch\" name the same ones.
std::string WithTrailingBackslash(const std::string& key) {
    if (key.empty() || key.back() != '\\')
        return key + '\\';
    return key;
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
        DestinationFolder = source.DestinationFolder;
        // The copies hold at most 16 entries each; what they report is not needed here.
        AssignHexFindAndReplaceList(&source.HexFindAndReplaceItems, &HexFindAndReplaceItems);
        AssignSubtitleFileTypeList(&source.SubtitleFileTypes, &SubtitleFileTypes);
        for (const TScalarField& field : SCALAR_FIELDS)
            if (field.Text != &S::DestinationFolder)
                CopyField(field, source, *this);
        return true;
    });
}

bool TSTLConvertSettings::LoadFromRegistry(const std::string& key,
                                           const std::string& hexFindReplaceSubKey,
                                           const std::string& subtitleFileTypeSubKey) {
    return Guarded("TSTLConvertSettings.LoadFromRegistry", false, [&] {
        const std::string base = WithTrailingBackslash(key);
        if (!LoadSubtitleFileTypeListToRegistry(base + subtitleFileTypeSubKey,
                                                &SubtitleFileTypes)) {
            TraceError("TSTLConvertSettings.LoadFromRegistry",
                       "cannot load subtitle file type to registry");
            return false;
        }
        if (!LoadHexFindAndReplaceListToRegistry(base + hexFindReplaceSubKey,
                                                 &HexFindAndReplaceItems)) {
            TraceError("TSTLConvertSettings.LoadFromRegistry",
                       "cannot load hex find and replace to registry");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(base, false))
            return true; // nothing stored yet: every field keeps its value
        for (const TScalarField& field : SCALAR_FIELDS)
            LoadField(field, registry, *this);
        return true;
    });
}

bool TSTLConvertSettings::SaveToRegistry(const std::string& key,
                                         const std::string& hexFindReplaceSubKey,
                                         const std::string& subtitleFileTypeSubKey) const {
    return Guarded("TSTLConvertSettings.SaveToRegistry", false, [&] {
        const std::string base = WithTrailingBackslash(key);
        if (!SaveSubtitleFileTypeListToRegistry(base + subtitleFileTypeSubKey,
                                                &SubtitleFileTypes)) {
            TraceError("TSTLConvertSettings.SaveToRegistry",
                       "cannot save subtitle file type to registry");
            return false;
        }
        if (!SaveHexFindAndReplaceListToRegistry(base + hexFindReplaceSubKey,
                                                 &HexFindAndReplaceItems)) {
            TraceError("TSTLConvertSettings.SaveToRegistry",
                       "cannot save hex find and replace to registry");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(base, true))
            return true;
        for (const TScalarField& field : SCALAR_FIELDS)
            SaveField(field, registry, *this);
        return true;
    });
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

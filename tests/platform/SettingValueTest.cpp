// ReadSettingValue: what every loader, and `settings show` with it, makes of a stored value
// that is missing, of another type, out of range or not a number.
#include "platform/SettingValue.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <optional>

namespace {

using namespace setting;

constexpr std::array<const char*, 3> kItems = {"a", "b", "c"};

TRegValue Stored(TRegValueType type, uint32_t number = 0, const std::string& text = "") {
    TRegValue value;
    value.Type = type;
    value.Number = number;
    value.Text = text;
    return value;
}

TRegValue StoredDouble(double number) {
    TSettingsStore store;
    TRegistry key(store);
    key.OpenKey("k", true);
    key.WriteFloat("v", number);
    TRegValue value;
    key.ReadValue("v", value);
    return value;
}

struct TReadCase {
    const char* Name;
    TSettingValue Value;
    std::optional<TRegValue> Stored;
    bool OtherType, OutOfRange;
    std::string Text;
    int32_t Number;
    double Real;
};

void PrintTo(const TReadCase& c, std::ostream* os) {
    *os << c.Name;
}

const TSettingValue kCodePage =
    WithFallback(String("CodePage", spBatch, TValueForm::CodePage, ""), "850");
const TSettingValue kQuality = WithFallback(Choice("Quality", spBatch, kItems, 0, ""), "0");
const TSettingValue kSeconds = {.Name = "Seconds",
                                .Parts = spPlaylistEntry,
                                .Type = TStoredType::Float,
                                .Form = TValueForm::Seconds,
                                .Default = "0"};

const TReadCase kCases[] = {
    {"MissingReadsTheDefault",
     Number("N", spMain, "5000", 0, 9, ""),
     {},
     false,
     false,
     "5000",
     5000,
     5000},
    {"MissingWordDefaultIsZero",
     Number("N", spMain, "centred", 0, 9, ""),
     {},
     false,
     false,
     "centred",
     0,
     0},
    {"MissingRecordFieldReadsItsOwn",
     MissingAs(Number("N", spFileType, "4", 4, 9, ""), "1"),
     {},
     false,
     false,
     "1",
     1,
     1},
    {"OtherTypeReadsTheFallback", kCodePage, Stored(TRegValueType::DWord, 437), true, false, "850",
     850, 850},
    {"OtherTypeWithoutFallbackReadsTheDefault", Flag("F", spBatch, ""),
     Stored(TRegValueType::String, 0, "1"), true, false, "no", 0, 0},
    {"ChoiceOutOfRangeReadsTheFallback", kQuality, Stored(TRegValueType::DWord, 5), false, true,
     "0", 0, 0},
    {"ChoiceOutOfRangeWithoutFallbackIsKept", Choice("C", spBatch, kItems, 0, ""),
     Stored(TRegValueType::DWord, 0xFFFFFFFF), false, false, "", -1, 0},
    {"FlagKeepsItsNumber", Flag("F", spBatch, ""), Stored(TRegValueType::DWord, 5), false, false,
     "", 5, 0},
    {"DoubleThatIsNoNumberReadsZero", kSeconds,
     StoredDouble(std::numeric_limits<double>::quiet_NaN()), false, false, "", 0, 0},
    {"DoubleOfWrongSizeIsAnotherType", kSeconds, Stored(TRegValueType::Binary), true, false, "0", 0,
     0},
    {"DoubleAsStored", kSeconds, StoredDouble(12.5), false, false, "", 0, 12.5},
    {"FolderGainsItsSlash", EndsInSlash(String("D", spPlaylistEntry, TValueForm::Folder, "")),
     Stored(TRegValueType::String, 0, "/subs"), false, false, "/subs/", 0, 0},
    {"EmptyFolderStaysEmpty", EndsInSlash(String("D", spPlaylistEntry, TValueForm::Folder, "")),
     Stored(TRegValueType::String, 0, ""), false, false, "", 0, 0},
};

class SettingRead : public ::testing::TestWithParam<TReadCase> {};

TEST_P(SettingRead, IsWhatEveryLoaderTakes) {
    const TReadCase& c = GetParam();
    const TSettingRead read = ReadSettingValue(c.Value, c.Stored ? &*c.Stored : nullptr);
    EXPECT_EQ(read.Stored, c.Stored.has_value());
    EXPECT_EQ(read.OtherType, c.OtherType);
    EXPECT_EQ(read.OutOfRange, c.OutOfRange);
    EXPECT_EQ(read.Text, c.Text);
    EXPECT_EQ(read.Number, c.Number);
    EXPECT_EQ(read.Real, c.Real);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingRead, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.Name); });

} // namespace

// Hex find and replace: items and lists over a buffer, copies, and the settings subkey.
#include <gtest/gtest.h>

#include <sstream>

#include "convert/HexFindReplace.h"
#include "platform/Registry.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

using TBytes = std::vector<uint8_t>;
using TItems = std::vector<THexFindAndReplaceValue>;
using TLines = std::vector<std::string>;

const std::string KEY = "Software\\Velmora\\Caplin\\Batch\\HexFindReplace";
const std::string kBadItem = "vlm: Error in HexFindAndReplaceItem - invalid arguments.";

THexFindAndReplaceList MakeList(const TItems& items) {
    THexFindAndReplaceList list;
    for (const auto& item : items)
        list.push_back(std::make_unique<THexFindAndReplaceValue>(item));
    return list;
}

TItems Values(const THexFindAndReplaceList& list) {
    TItems values;
    for (const auto& item : list)
        values.push_back(*item);
    return values;
}

TBytes Bytes(const std::string& hex) {
    TBytes bytes;
    std::istringstream in(hex);
    unsigned value = 0;
    while (in >> std::hex >> value)
        bytes.push_back(uint8_t(value));
    return bytes;
}

class HexFindReplace : public ::testing::Test {
protected:
    void SetUp() override { TSettingsStore::Global().Clear(); }
    TraceCapture trace;
};

struct TReplaceCase {
    const char* Name;
    TItems Items;
    std::string Input; // hexadecimal bytes
    int32_t Length;    // bytes handed over; the rest of Input lies beyond the buffer's end
    bool Result;
    std::string Expected;
};

void PrintTo(const TReplaceCase& c, std::ostream* os) {
    *os << c.Name;
}

class HexReplace : public HexFindReplace, public ::testing::WithParamInterface<TReplaceCase> {};

TEST_P(HexReplace, ChangesBufferInPlace) {
    const TReplaceCase& c = GetParam();
    const THexFindAndReplaceList list = MakeList(c.Items);
    TBytes buffer = Bytes(c.Input);
    EXPECT_EQ(HexFindAndReplaceList(buffer.data(), c.Length, &list), c.Result);
    EXPECT_EQ(buffer, Bytes(c.Expected));
    if (c.Items.size() == 1) { // the item routine alone does the same
        TBytes alone = Bytes(c.Input);
        const THexFindAndReplaceValue& i = c.Items[0];
        EXPECT_EQ(
            HexFindAndReplaceItem(alone.data(), c.Length, i.NumBytes, i.FindHex, i.ReplaceHex),
            c.Result);
        EXPECT_EQ(alone, Bytes(c.Expected));
    }
    const size_t runs = c.Items.size() == 1 ? 2 : 1;
    EXPECT_EQ(trace.Lines(), c.Result ? TLines() : TLines(runs, kBadItem));
}

// clang-format off
const TReplaceCase kReplaceCases[] = {
    {"PairMovesOnAfterReplacing", {{2, 0x4141, 0x4142}}, "41 41 41", 3, true, "41 42 41"},
    {"SingleByteEveryPosition", {{1, 0x41, 0x42}}, "41 41 41", 3, true, "42 42 42"},
    {"ReplacedByteComparedAgain", {{2, 0x4142, 0x4141}}, "41 42 42", 3, true, "41 41 41"},
    {"PairAtLastPosition", {{2, 0x4142, 0x4344}}, "00 41 42", 3, true, "00 43 44"},
    {"PairSpanningEndNotFound", {{2, 0x4142, 0x4344}}, "00 41 42", 2, true, "00 41 42"},
    {"SingleStopsAtLength", {{1, 0x41, 0x20}}, "41 41", 1, true, "20 41"},
    {"PairOnOneByteUnchanged", {{2, 0x4141, 0x2020}}, "41 41", 1, true, "41 41"},
    {"PairUsesLow16Bits", {{2, 0x7F4142, 0x12345859}}, "42 41 42", 3, true, "42 58 59"},
    {"SingleUsesLowByte", {{1, 0x1241, -224}}, "41 42", 2, true, "20 42"},
    {"EmptyListUnchanged", {}, "41", 1, true, "41"},
    {"LaterSeesEarlierOutput", {{1, 0x41, 0x42}, {1, 0x42, 0x43}}, "41 20 42", 3, true, "43 20 43"},
    {"ThirdOfFiveInvalid",
     {{1, 0x41, 0x42}, {1, 0x43, 0x44}, {3, 0x42, 0x45}, {1, 0x42, 0x46}, {1, 0x44, 0x47}},
     "41 43", 2, false, "42 44"},
    {"WidthZeroInvalid", {{0, 0x41, 0x42}}, "41", 1, false, "41"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, HexReplace, ::testing::ValuesIn(kReplaceCases),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST_F(HexFindReplace, MissingBufferOrListIsInvalidArguments) {
    const THexFindAndReplaceList list = MakeList({{1, 0x41, 0x42}});
    TBytes buffer = {0x41};
    const std::string refused = "vlm: Error in HexFindAndReplaceList - invalid arguments.";
    EXPECT_FALSE(HexFindAndReplaceItem(nullptr, 1, 1, 0x41, 0x42));
    EXPECT_FALSE(HexFindAndReplaceItem(buffer.data(), 0, 1, 0x41, 0x42));
    EXPECT_FALSE(HexFindAndReplaceList(nullptr, 1, &list));
    EXPECT_FALSE(HexFindAndReplaceList(buffer.data(), -1, &list));
    EXPECT_FALSE(HexFindAndReplaceList(buffer.data(), 1, nullptr));
    EXPECT_EQ(buffer, TBytes{0x41});
    EXPECT_EQ(trace.Lines(), (TLines{kBadItem, kBadItem, refused, refused, refused}));
}

TEST_F(HexFindReplace, AssignListCopiesAtMostSixteen) {
    TItems items;
    for (int i = 0; i < 20; ++i)
        items.push_back({1 + i % 2, 0x100 + i, 0x200 + i});
    const THexFindAndReplaceList source = MakeList(items);
    THexFindAndReplaceList destination = MakeList({{2, 0x7777, 0x8888}});
    EXPECT_TRUE(AssignHexFindAndReplaceList(&source, &destination));
    EXPECT_EQ(Values(destination), TItems(items.begin(), items.begin() + 16));
    EXPECT_NE(destination[0].get(), source[0].get());

    THexFindAndReplaceList withHole = MakeList({{1, 0x41, 0x42}});
    withHole.push_back(nullptr);
    EXPECT_FALSE(AssignHexFindAndReplaceList(&withHole, &destination));
    EXPECT_EQ(Values(destination), (TItems{{1, 0x41, 0x42}}));
    EXPECT_FALSE(AssignHexFindAndReplaceList(nullptr, &destination));
    EXPECT_FALSE(SaveHexFindAndReplaceListToRegistry(KEY, nullptr));
    EXPECT_FALSE(LoadHexFindAndReplaceListToRegistry(KEY, nullptr));
    EXPECT_EQ(trace.Lines(),
              (TLines{"vlm: Error in AssignHexFindAndReplaceList - cannot assign hex find and "
                      "replace value.",
                      "vlm: Error in AssignHexFindAndReplaceList - invalid arguments.",
                      "vlm: Error in SaveHexFindAndReplaceListToRegistry - invalid arguments.",
                      "vlm: Error in LoadHexFindAndReplaceListToRegistry - invalid arguments."}));
}

TEST_F(HexFindReplace, SavedListLoadsBackUnderItsValueNames) {
    const THexFindAndReplaceList list = MakeList({{1, 0x41, 0x42}, {2, 0x4142, -1}});
    ASSERT_TRUE(SaveHexFindAndReplaceListToRegistry(KEY, &list));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(KEY, false));
    const std::vector<std::pair<std::string, int32_t>> stored = {
        {"HexFindAndReplaceCount", 2},
        {"HexFindReplace_NumBytes_1", 2},
        {"HexFindReplace_FindHex_1", 0x4142},
        {"HexFindReplace_ReplaceHex_1", -1}};
    for (const auto& [name, value] : stored) {
        int32_t number = 0;
        EXPECT_TRUE(registry.ReadInteger(name, number) && number == value) << name;
    }
    THexFindAndReplaceList loaded;
    EXPECT_TRUE(LoadHexFindAndReplaceListToRegistry(KEY, &loaded));
    EXPECT_EQ(Values(loaded), Values(list));
}

TEST_F(HexFindReplace, LoadAppendsWithFallbacksAndIgnoresStaleIndexes) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(KEY, true));
    ASSERT_TRUE(registry.WriteInteger("HexFindAndReplaceCount", 2));
    ASSERT_TRUE(registry.WriteString("HexFindReplace_NumBytes_0", "2")); // wrong type
    ASSERT_TRUE(registry.WriteInteger("HexFindReplace_FindHex_0", 0x41));
    ASSERT_TRUE(registry.WriteInteger("HexFindReplace_NumBytes_2", 2)); // stale
    THexFindAndReplaceList list = MakeList({{2, 0x1111, 0x2222}});
    EXPECT_TRUE(LoadHexFindAndReplaceListToRegistry(KEY, &list));
    EXPECT_EQ(Values(list), (TItems{{2, 0x1111, 0x2222}, {1, 0x41, 0}, {1, 0, 0}}));
}

TEST_F(HexFindReplace, AbsentDataLoadsNothingAndMissingCountIsWrittenBack) {
    THexFindAndReplaceList list;
    EXPECT_TRUE(LoadHexFindAndReplaceListToRegistry(KEY, &list));
    EXPECT_FALSE(TSettingsStore::Global().KeyExists(KEY));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(KEY, true));
    ASSERT_TRUE(registry.WriteInteger("HexFindReplace_NumBytes_0", 2));
    EXPECT_TRUE(LoadHexFindAndReplaceListToRegistry(KEY, &list));
    int32_t count = -1;
    EXPECT_TRUE(registry.ReadInteger("HexFindAndReplaceCount", count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(list.empty());
}

TEST(HexValueDisplay, UpperCaseTwoDigitsPerByte) {
    const std::vector<std::tuple<int32_t, int32_t, std::string>> cases = {
        {10, 1, "0x0A"}, {10, 2, "0x000A"}, {0xab, 1, "0xAB"}, {0x4142, 2, "0x4142"}};
    for (const auto& [value, numBytes, text] : cases)
        EXPECT_EQ(HexValueToDisplay(value, numBytes), text);
}

} // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stl/STLUtils.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

struct TTextCase {
    const char* Name;
    std::string Field; // the bytes at the pointer
    int Width;
    std::string Text;
};

void PrintTo(const TTextCase& c, std::ostream* os) {
    *os << c.Name;
}

class FieldText : public ::testing::TestWithParam<TTextCase> {};

TEST_P(FieldText, CutsAtFirstNul) {
    const TTextCase& c = GetParam();
    TraceCapture trace;
    std::vector<uint8_t> bytes(c.Field.begin(), c.Field.end());
    std::string out = "stale";
    EXPECT_TRUE(STLTextToString(bytes.data(), c.Width, out));
    EXPECT_EQ(out, c.Text);
    EXPECT_EQ(STLTextToString(bytes.data(), c.Width), c.Text);
    EXPECT_TRUE(trace.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    STLUtils, FieldText,
    ::testing::Values(TTextCase{"NoNul", "ABCDEFGH", 8, "ABCDEFGH"},
                      TTextCase{"WidthStopsEarly", "ABCDEFGH", 3, "ABC"},
                      TTextCase{"NulInside", std::string("AB\0DE", 5), 5, "AB"},
                      TTextCase{"NulFirst", std::string("\0BCDE", 5), 5, ""},
                      TTextCase{"NulBeyondWidth", std::string("ABC\0", 4), 3, "ABC"},
                      TTextCase{"BlanksKept", "  A  ", 5, "  A  "},
                      TTextCase{"HighBytesKept", "\x8f\xe9\x01", 3, "\x8f\xe9\x01"},
                      TTextCase{"OneByte", "Z", 1, "Z"},
                      TTextCase{"TextFieldWidth", std::string(112, 'x') + "y", 112,
                                std::string(112, 'x')}),
    [](const auto& c) { return std::string(c.param.Name); });

TEST(FieldTextFailure, BadArgumentsTraceAndGiveEmpty) {
    const std::vector<uint8_t> bytes(200, 'A');
    const std::pair<const uint8_t*, int> cases[] = {
        {bytes.data(), 0}, {bytes.data(), -1}, {bytes.data(), 113}, {nullptr, 5}};
    for (const auto& [field, width] : cases) {
        TraceCapture trace;
        std::string out = "stale";
        EXPECT_FALSE(STLTextToString(field, width, out)) << width;
        EXPECT_EQ(out, "");
        EXPECT_EQ(STLTextToString(field, width), "");
        EXPECT_EQ(trace.Lines(),
                  std::vector<std::string>(2, "vlm: Error in STLTextToString call..."));
    }
}

TEST(ReportTypeNames, EveryValue) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "None"},    {1, "Info"},     {2, "Warning"},  {3, "Error"},
        {4, "Unknown"}, {-1, "Unknown"}, {301, "Unknown"}};
    for (const auto& [type, name] : cases)
        EXPECT_EQ(ReportTypeToString(type), name) << type;
    EXPECT_EQ(ReportTypeToString(rtError), "Error");
}

} // namespace

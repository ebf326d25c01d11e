#include "convert/HexEntry.h"

#include "platform/Trace.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool ParseHexEntry(const std::string& text, int32_t& value) {
    return Guarded("ParseHexEntry", false, [&] {
        if ((text.size() != 4 && text.size() != 6) || text[0] != '0' || text[1] != 'x')
            return false;
        int32_t number = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0)
                return false;
            number = number * 16 + digit;
        }
        value = number;
        return true;
    });
}

THexEntryCheck CheckHexEntries(const std::string& find, const std::string& replace,
                               THexFindAndReplaceValue& item) {
    // After an unexpected failure the operator is sent back to the find entry.
    const THexEntryCheck failed{false, "", THexEntryField::Find};
    return Guarded("CheckHexEntries", failed, [&] {
        auto refuse = [](const char* message, THexEntryField field) {
            return THexEntryCheck{false, message, field};
        };
        int32_t findValue = 0, replaceValue = 0;
        if (!ParseHexEntry(find, findValue))
            return refuse("Invalid hex value. Find hex string must be in 0xXX or 0xXXXX format.",
                          THexEntryField::Find);
        if (!ParseHexEntry(replace, replaceValue))
            return refuse("Invalid hex value. Replace hex string must be in 0xXX or 0xXXXX format.",
                          THexEntryField::Replace);
        if (find.size() != replace.size())
            return refuse("Both Find and Replace values must have equal number of bytes.",
                          THexEntryField::Replace);
        if (findValue == replaceValue)
            return refuse("Find and Replace have the same value.", THexEntryField::Find);
        item.NumBytes = find.size() == 4 ? 1 : 2;
        item.FindHex = findValue;
        item.ReplaceHex = replaceValue;
        return THexEntryCheck{true, "", THexEntryField::None};
    });
}

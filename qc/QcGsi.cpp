// The GSI rules, field by field in block order.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lang/STLLangUtils.h"
#include "qc/QcChecks.h"
#include "stl/STLCodePages.h"

namespace {

struct TField {
    const uint8_t* Bytes;
    int Width;
};

TField FieldOf(const uint8_t* gsi, TGsiFieldId id) {
    return {gsi + GsiField(id).Offset, GsiField(id).Width};
}

// The field as found, in quotes; bytes outside printable ASCII as \xNN, so any content
// gives a readable line.
struct TQuoted {
    char Text[4 * 8 + 3];
};

TQuoted Quote(TField field) {
    TQuoted quoted{};
    size_t at = 0;
    quoted.Text[at++] = '"';
    for (int i = 0; i < field.Width && i < 8; ++i) {
        const uint8_t c = field.Bytes[i];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
            quoted.Text[at++] = char(c);
        else
            at += size_t(std::snprintf(quoted.Text + at, sizeof quoted.Text - at, "\\x%02X", c));
    }
    quoted.Text[at++] = '"';
    quoted.Text[at] = 0;
    return quoted;
}

bool IsDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsBlank(TField field) {
    for (int i = 0; i < field.Width; ++i)
        if (field.Bytes[i] != ' ')
            return false;
    return true;
}

bool Equals(TField field, const char* text) {
    return std::strlen(text) == size_t(field.Width) &&
           std::memcmp(field.Bytes, text, size_t(field.Width)) == 0;
}

// Digits, with blanks allowed around them: -1 when the field is not a decimal number.
int DecimalValue(TField field) {
    int i = 0;
    int end = field.Width;
    while (i < end && field.Bytes[i] == ' ')
        ++i;
    while (end > i && field.Bytes[end - 1] == ' ')
        --end;
    if (i == end)
        return -1;
    int value = 0;
    for (; i < end; ++i) {
        if (!IsDigit(field.Bytes[i]))
            return -1;
        value = value * 10 + (field.Bytes[i] - '0');
    }
    return value;
}

int TwoDigits(const uint8_t* at) {
    return (at[0] - '0') * 10 + (at[1] - '0');
}

bool AllDigits(TField field) {
    for (int i = 0; i < field.Width; ++i)
        if (!IsDigit(field.Bytes[i]))
            return false;
    return true;
}

bool IsDate(TField field) {
    if (!AllDigits(field))
        return false;
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int year = TwoDigits(field.Bytes);
    const int month = TwoDigits(field.Bytes + 2);
    const int day = TwoDigits(field.Bytes + 4);
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1])
        return false;
    return !(month == 2 && day == 29 && year % 4 != 0);
}

// HHMMSSFF as frames, or -1 when it is not a time code at the header's frame rate.
int TimeCodeFrames(TField field, const TQcHeader& header) {
    if (!AllDigits(field))
        return -1;
    const int h = TwoDigits(field.Bytes);
    const int m = TwoDigits(field.Bytes + 2);
    const int s = TwoDigits(field.Bytes + 4);
    const int f = TwoDigits(field.Bytes + 6);
    if (h > 23 || m > 59 || s > 59 || f >= header.FrameRate)
        return -1;
    return ((h * 60 + m) * 60 + s) * header.FrameRate + f;
}

bool IsLanguageCode(TField field) {
    auto hex = [](uint8_t c) {
        return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    if (!hex(field.Bytes[0]) || !hex(field.Bytes[1]))
        return false;
    char text[3] = {char(field.Bytes[0]), char(field.Bytes[1]), 0};
    int32_t index = 0;
    return GetLanguageCodeIndex(int32_t(std::strtol(text, nullptr, 16)), index);
}

void CheckCodes(const uint8_t* gsi, TQcHeader& header, TQcFindings& findings) {
    const TField cpn = FieldOf(gsi, gfCodePageNumber);
    if (std::none_of(STL_CODE_PAGES.begin(), STL_CODE_PAGES.end(),
                     [&](const TSTLCodePage& page) { return Equals(cpn, page.Number); }))
        findings.Add(srCpnValue, 0, "%s is not 437, 850, 860, 863 or 865", Quote(cpn).Text);

    const TField dfc = FieldOf(gsi, gfDiskFormatCode);
    header.RateKnown = true;
    if (Equals(dfc, kDiskFormatCode25)) {
        header.FrameRate = 25;
    } else if (Equals(dfc, kDiskFormatCode30)) {
        header.FrameRate = 30;
    } else {
        header.RateKnown = false;
        header.FrameRate = 30;
        findings.Add(srDfcValue, 0, "%s is not STL25.01 or STL30.01", Quote(dfc).Text);
    }

    const uint8_t dsc = gsi[GsiField(gfDisplayStandardCode).Offset];
    header.Teletext = dsc == '1' || dsc == '2';
    if (dsc != ' ' && dsc != '0' && !header.Teletext)
        findings.Add(srDscValue, 0, "%s is not blank, 0, 1 or 2",
                     Quote(FieldOf(gsi, gfDisplayStandardCode)).Text);

    const TField cct = FieldOf(gsi, gfCharacterCodeTableNumber);
    header.Table00 = Equals(cct, "00");
    if (cct.Bytes[0] == '0' && cct.Bytes[1] >= '0' && cct.Bytes[1] <= '4')
        header.Table = TSTLCharacterTable(cct.Bytes[1] - '0');
    if (cct.Bytes[0] != '0' || cct.Bytes[1] < '0' || cct.Bytes[1] > '4')
        findings.Add(srCctValue, 0, "%s is not 00, 01, 02, 03 or 04", Quote(cct).Text);

    const TField lc = FieldOf(gsi, gfLanguageCode);
    if (!IsLanguageCode(lc))
        findings.Add(srLcValue, 0, "%s is not a code of the language table", Quote(lc).Text);
}

void CheckDate(TField date, TSTLRuleId invalid, TSTLRuleId blank, TQcFindings& findings) {
    if (IsBlank(date))
        findings.Add(blank, 0, "blank, no date given");
    else if (!IsDate(date))
        findings.Add(invalid, 0, "%s is not a date YYMMDD", Quote(date).Text);
}

// A count field: its value, or -1 with an Error when it is not a decimal number.
int CheckNumber(const uint8_t* gsi, TGsiFieldId id, TSTLRuleId rule, TQcFindings& findings) {
    const int value = DecimalValue(FieldOf(gsi, id));
    if (value < 0)
        findings.Add(rule, 0, "%s is not a decimal number", Quote(FieldOf(gsi, id)).Text);
    return value;
}

void CheckCounts(const uint8_t* gsi, uint32_t blocksPresent, TQcHeader& header,
                 TQcFindings& findings) {
    CheckNumber(gsi, gfRevisionNumber, srRnNumber, findings);

    const int tnb = CheckNumber(gsi, gfTotalNumberOfTTIBlocks, srTnbNumber, findings);
    const TQuoted tnbText = Quote(FieldOf(gsi, gfTotalNumberOfTTIBlocks));
    if (tnb > int64_t(blocksPresent))
        findings.Add(srTnbAboveBlocks, 0, "%s counts %d blocks, the file holds %u", tnbText.Text,
                     tnb, blocksPresent);
    else if (tnb >= 0 && tnb < int64_t(blocksPresent))
        findings.Add(srTnbDiffers, 0, "%s counts %d blocks, the file holds %u", tnbText.Text, tnb,
                     blocksPresent);

    header.Tns = CheckNumber(gsi, gfTotalNumberOfSubtitles, srTnsNumber, findings);
    header.TnsAt = findings.Count();

    const TField tng = FieldOf(gsi, gfTotalNumberOfSubtitleGroups);
    header.Tng = DecimalValue(tng);
    if (header.Tng < 0)
        findings.Add(srTngNumber, 0, "%s is not a decimal number", Quote(tng).Text);
    else if (header.Tng > 255)
        findings.Add(srTngNumber, 0, "%s is above 255", Quote(tng).Text);
    if (header.Tng > 255)
        header.Tng = -1;
    header.TngAt = findings.Count();

    if (tnb > int64_t(blocksPresent))
        header.Tns = header.Tng = -1;

    header.Mnc = CheckNumber(gsi, gfMaximumNumberOfDisplayableCharacters, srMncNumber, findings);
    header.Mnr = CheckNumber(gsi, gfMaximumNumberOfDisplayableRows, srMnrNumber, findings);
}

void CheckTimeCodes(const uint8_t* gsi, TQcHeader& header, TQcFindings& findings) {
    const uint8_t tcs = gsi[GsiField(gfTimeCodeStatus).Offset];
    if (tcs != '0' && tcs != '1')
        findings.Add(srTcsValue, 0, "%s is not 0 or 1", Quote(FieldOf(gsi, gfTimeCodeStatus)).Text);

    const TField tcp = FieldOf(gsi, gfTimeCodeStartOfProgramme);
    header.TcpFrames = TimeCodeFrames(tcp, header);
    if (header.TcpFrames >= 0)
        FormatTimeCode(header.TcpText, sizeof header.TcpText, TwoDigits(tcp.Bytes),
                       TwoDigits(tcp.Bytes + 2), TwoDigits(tcp.Bytes + 4),
                       TwoDigits(tcp.Bytes + 6));
    else
        findings.Add(srTcpTimeCode, 0, "%s is not a time code HHMMSSFF%s", Quote(tcp).Text,
                     FrameRateText(header));
    const TField tcf = FieldOf(gsi, gfTimeCodeFirstInCue);
    if (TimeCodeFrames(tcf, header) < 0)
        findings.Add(srTcfTimeCode, 0, "%s is not a time code HHMMSSFF%s", Quote(tcf).Text,
                     FrameRateText(header));
}

void CheckDisksAndCountry(const uint8_t* gsi, TQcFindings& findings) {
    const uint8_t tnd = gsi[GsiField(gfTotalNumberOfDisks).Offset];
    const bool tndValid = tnd >= '1' && tnd <= '9';
    if (!tndValid)
        findings.Add(srTndValue, 0, "%s is not 1 to 9",
                     Quote(FieldOf(gsi, gfTotalNumberOfDisks)).Text);
    const uint8_t dsn = gsi[GsiField(gfDiskSequenceNumber).Offset];
    if (dsn < '1' || dsn > '9')
        findings.Add(srDsnValue, 0, "%s is not 1 to 9",
                     Quote(FieldOf(gsi, gfDiskSequenceNumber)).Text);
    else if (tndValid && dsn > tnd)
        findings.Add(srDsnAboveTnd, 0, "%c is above TND %c", char(dsn), char(tnd));

    const TField co = FieldOf(gsi, gfCountryOfOrigin);
    if (!IsLetter(co.Bytes[0]) || !IsLetter(co.Bytes[1]) || !IsLetter(co.Bytes[2]))
        findings.Add(srCoLetters, 0, "%s is not three letters", Quote(co).Text);
}

} // namespace

void CheckGsiBlock(const uint8_t* gsi, uint32_t blocksPresent, TQcHeader& header,
                   TQcFindings& findings) {
    CheckCodes(gsi, header, findings);
    CheckDate(FieldOf(gsi, gfCreationDate), srCdDate, srCdBlank, findings);
    CheckDate(FieldOf(gsi, gfRevisionDate), srRdDate, srRdBlank, findings);
    CheckCounts(gsi, blocksPresent, header, findings);
    CheckTimeCodes(gsi, header, findings);
    CheckDisksAndCountry(gsi, findings);
}

// Text rules shared by every subsystem. Texts are byte strings; "trimmed" and
// "upper-cased" follow the ASCII rules of the file formats, never the locale.
#pragma once

#include <cstdint>
#include <string>

// Characters with codes 0 to 32 removed at both ends.
std::string TrimText(const std::string& text);

// ASCII letters a to z upper-cased; every other byte unchanged.
std::string UpperCaseText(const std::string& text);

// Trimmed and upper-cased, the folding every code, name and folder comparison uses.
std::string FoldText(const std::string& text);

// Equal after folding both sides.
bool SameFoldedText(const std::string& a, const std::string& b);

// A decimal integer with an optional sign and nothing else (no blanks): true and the
// value, or false when the text is empty, malformed or outside the 32-bit range.
bool TryStrToInt(const std::string& text, int32_t& value);

// Hexadecimal digits (either case) and nothing else, read as a number; 0 when the text is
// empty or not a hexadecimal number. Used for STL language codes ("0F" is 15).
int32_t HexTextToInt(const std::string& text);

// A decimal number with a point as decimal separator, an optional sign and exponent,
// after trimming blanks: true and the value, or false.
bool TryStrToFloat(const std::string& text, double& value);

// value as upper-case hexadecimal, zero-padded to at least digits digits.
std::string IntToHexText(uint32_t value, int digits);

// "/" appended when path is not empty and does not end in "/".
std::string IncludeTrailingSlash(const std::string& path);

// Everything after the last "/" (the whole path when it holds none).
std::string ExtractFileName(const std::string& path);

// True when name ends in "." + extension, the extension compared ignoring ASCII case.
bool HasExtension(const std::string& name, const std::string& extension);

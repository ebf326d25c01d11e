#include "platform/TextUtils.h"

#include <charconv>
#include <limits>

std::string TrimText(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 32)
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32)
        --last;
    return text.substr(first, last - first);
}

std::string UpperCaseText(const std::string& text) {
    std::string result = text;
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string FoldText(const std::string& text) {
    return UpperCaseText(TrimText(text));
}

bool SameFoldedText(const std::string& a, const std::string& b) {
    return FoldText(a) == FoldText(b);
}

bool TryStrToInt(const std::string& text, int32_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size())
        return false;
    int64_t result = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
        if (result > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return false;
    }
    if (negative)
        result = -result;
    if (result < std::numeric_limits<int32_t>::min() ||
        result > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int32_t>(result);
    return true;
}

int32_t HexTextToInt(const std::string& text) {
    if (text.empty() || text.size() > 8)
        return 0;
    uint32_t result = 0;
    for (char c : text) {
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = uint32_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = uint32_t(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = uint32_t(c - 'A' + 10);
        else
            return 0;
        result = result * 16 + digit;
    }
    return static_cast<int32_t>(result);
}

bool TryStrToFloat(const std::string& raw, double& value) {
    const std::string text = TrimText(raw);
    if (text.empty())
        return false;
    // Only the plain decimal forms; strtod alone would also take "inf", "nan" and hex.
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E'))
            return false;
    // from_chars ignores the locale; Qt sets LC_NUMERIC from the environment.
    const char* first = text.c_str();
    const char* last = first + text.size();
    if (*first == '+')
        ++first;
    double result = 0;
    const auto [end, error] = std::from_chars(first, last, result);
    if (error != std::errc() || end != last)
        return false;
    value = result;
    return true;
}

std::string IntToHexText(uint32_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string result;
    do {
        result.insert(result.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(result.size()) < digits)
        result.insert(result.begin(), '0');
    return result;
}

std::string IncludeTrailingSlash(const std::string& path) {
    if (!path.empty() && path.back() != '/')
        return path + '/';
    return path;
}

std::string ExtractFileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasExtension(const std::string& name, const std::string& extension) {
    if (name.size() < extension.size() + 1)
        return false;
    const size_t dot = name.size() - extension.size() - 1;
    return name[dot] == '.' && UpperCaseText(name.substr(dot + 1)) == UpperCaseText(extension);
}

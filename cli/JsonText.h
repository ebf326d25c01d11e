// The one piece of JSON the command line writes by hand: a string value.
#pragma once

#include <string>
#include <string_view>

// bytes as a quoted JSON string. Valid UTF-8 passes through; quotes, backslashes and bytes
// below 0x20 are escaped (the latter as \u00XX); each byte that is not part of valid UTF-8
// becomes U+FFFD, so a path of any bytes still gives a document every parser reads.
std::string JsonString(const std::string& bytes);
// The same, appended to json: for output built in one buffer.
void AppendJsonString(std::string& json, std::string_view bytes);

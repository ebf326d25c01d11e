// Texts cross between the window and the core as UTF-8 bytes.
#pragma once

#include <string>

#include <QString>

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string S(const QString& text) {
    return text.toStdString();
}

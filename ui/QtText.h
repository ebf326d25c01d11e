// Texts cross between the window and the core as UTF-8 bytes.
#pragma once

#include <string>
#include <vector>

#include <QString>
#include <QStringList>

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string S(const QString& text) {
    return text.toStdString();
}

inline QStringList QTexts(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& text : texts)
        list << Q(text);
    return list;
}

// The free helpers of the settings panels: the item lists of their drop-down lists, the time
// code edits and the list boxes of the two configured lists.
#include "ui/SettingsPanel.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSpinBox>

#include "convert/HexFindReplace.h"
#include "lang/STLLangUtils.h"
#include "platform/TextUtils.h"
#include "ui/QtText.h"

namespace {

void FillCombo(QComboBox* combo, const QStringList& items, int index) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(index);
}

int32_t PieceValue(const std::string& text, size_t position) {
    int32_t value = 0;
    if (position >= text.size() || !TryStrToInt(text.substr(position, 2), value))
        return 0;
    return value;
}

} // namespace

void TimeCodeEditsToString(const QSpinBox* hour, const QSpinBox* minute, const QSpinBox* second,
                           const QSpinBox* frame, std::string& text) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2d%.2d%.2d%.2d", hour->value(), minute->value(),
                  second->value(), frame->value());
    text = buffer;
}

bool RefreshTimeCode(const std::string& text, QSpinBox* hour, QSpinBox* minute, QSpinBox* second,
                     QSpinBox* frame) {
    hour->setValue(std::clamp(PieceValue(text, 0), 0, 23));
    minute->setValue(std::clamp(PieceValue(text, 2), 0, 59));
    second->setValue(std::clamp(PieceValue(text, 4), 0, 59));
    // The frame edit offers 30, but a stored time code never shows more than 29.
    frame->setValue(std::clamp(PieceValue(text, 6), 0, 29));
    return true;
}

void PositionLanguagePredefinedCombo(QComboBox* combo, const std::string& code) {
    const int32_t value = HexTextToInt(code);
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemData(i).toInt() == value) {
            combo->setCurrentIndex(i);
            return;
        }
}

void RefreshTapeIDListView(const TSubtitleFileTypeList& list, QListWidget* listBox) {
    listBox->clear();
    for (const auto& type : list)
        listBox->addItem(Q(type->Name + ", Chars Count = " + std::to_string(type->CharsCount)));
}

void RefreshHexFindReplaceListView(const THexFindAndReplaceList& list, QListWidget* listBox) {
    listBox->clear();
    for (const auto& item : list)
        listBox->addItem(Q(HexValueToDisplay(item->FindHex, item->NumBytes) + " - " +
                           HexValueToDisplay(item->ReplaceHex, item->NumBytes)));
}

void FillTapeIDCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Tape ID value from source", "Overwrite Tape ID value",
               "Use Tape ID value parsed from file name"},
              index);
}

void FillLanguageSourceCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Language value from source", "Overwrite Language value",
               "Use Language value parsed from file name"},
              index);
}

void FillLanguagePredefinedCombo(QComboBox* combo, int index) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    std::vector<std::pair<std::string, int32_t>> rows;
    for (const TSTLLang& lang : STLLanguages)
        rows.emplace_back(lang.LangLongName, HexTextToInt(lang.LangCode));
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [name, code] : rows)
        combo->addItem(Q(name), code);
    combo->setCurrentIndex(index);
}

void FillTimeCodeStartOfProgrammeCombo(QComboBox* combo, int index) {
    FillCombo(combo, {"Use Timecode value from source", "Overwrite Timecode value"}, index);
}

void FillMoveProcessedFiles(QComboBox* combo, int index) {
    FillCombo(
        combo,
        {"Don't move the processed files", "Move processed files to a different folder location"},
        index);
}

void FillCodePageNumberCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Code Page Number from source", "United States - 437", "Multilingual - 850",
               "Portugal - 860", "Canada-French - 863", "Nordic - 865",
               "Set custom Code Page Number"},
              index);
}

void FillCharacterCodeTableNumberCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Character Code Table Number from source", "Latin - 00", "Latin/Cyrillic - 01",
               "Latin/Arabic - 02", "Latin/Greek - 03", "Latin/Hebrew - 04"},
              index);
}

void FillDisplayStandardCodeCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Display Standard Code from source", "Undefined", "Open Subtitling",
               "Level-1 teletext", "Level-2 teletext"},
              index);
}

// The free helpers of the settings panels: the item lists of their drop-down lists, the time
// code edits and the list boxes of the two configured lists.
#include "ui/SettingsPanel.h"

#include <array>
#include <cstdio>

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSpinBox>

#include "convert/HexFindReplace.h"
#include "convert/SettingsChoices.h"
#include "platform/TextUtils.h"
#include "ui/QtText.h"

namespace {

// The items of a list, from the texts the command line checks against too.
template <size_t N>
void FillCombo(QComboBox* combo, const std::array<const char*, N>& items, int index) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (const char* item : items)
        combo->addItem(QString::fromUtf8(item));
    combo->setCurrentIndex(index);
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
    // The frame edit offers 30, but a stored time code never shows more than 29.
    const std::array<int32_t, 4> shown = TimeCodeAsShown(text);
    hour->setValue(shown[0]);
    minute->setValue(shown[1]);
    second->setValue(shown[2]);
    frame->setValue(shown[3]);
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
    FillCombo(combo, kTapeIDSourceItems, index);
}

void FillLanguageSourceCombo(QComboBox* combo, int index) {
    FillCombo(combo, kLanguageSourceItems, index);
}

void FillLanguagePredefinedCombo(QComboBox* combo, int index) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (const TLanguageChoice& language : LanguageChoices())
        combo->addItem(Q(language.Name), language.Code);
    combo->setCurrentIndex(index);
}

void FillTimeCodeStartOfProgrammeCombo(QComboBox* combo, int index) {
    FillCombo(combo, kTimeCodeStartOfProgrammeItems, index);
}

void FillMoveProcessedFiles(QComboBox* combo, int index) {
    FillCombo(combo, kMoveProcessedFilesItems, index);
}

void FillCodePageNumberCombo(QComboBox* combo, int index) {
    FillCombo(combo, kCodePageNumberItems, index);
}

void FillCharacterCodeTableNumberCombo(QComboBox* combo, int index) {
    FillCombo(combo, kCharacterCodeTableNumberItems, index);
}

void FillDisplayStandardCodeCombo(QComboBox* combo, int index) {
    FillCombo(combo, kDisplayStandardCodeItems, index);
}

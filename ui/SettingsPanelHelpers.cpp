// The free helpers of the settings panels: the item lists of their drop-down lists, the time
// code edits, the list boxes of the two configured lists and the area a panel is shown in.
#include "ui/SettingsPanel.h"

#include <array>
#include <cstdio>

#include <QComboBox>
#include <QEvent>
#include <QListWidget>
#include <QScrollArea>
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

void FillQualityCheckCombo(QComboBox* combo, int index) {
    FillCombo(combo, kQualityCheckItems, index);
}

namespace {

// A scroll area that asks its layout for the whole panel, as the panel is at the time of
// asking (its fonts and style applied).
class TPanelArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override { return Whole(); }
    QSize minimumSizeHint() const override { return Whole(); }

protected:
    // The panel's size changes once its fonts and style apply (and with the screen's scale);
    // the layout around the area must ask again then.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }

private:
    QSize Whole() const { return widget()->sizeHint().expandedTo(widget()->minimumSizeHint()); }
};

} // namespace

QScrollArea* NewPanelArea(TConversionSettingsPanel* panel, const char* name, QWidget* parent) {
    auto* area = new TPanelArea(parent);
    area->setObjectName(name);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(panel);
    area->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return area;
}

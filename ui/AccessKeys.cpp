#include "ui/AccessKeys.h"

#include <QAbstractButton>
#include <QWidget>

#include "platform/Trace.h"

namespace {

struct TAccessKey {
    const char* Button;
    const char* Caption;
};

// "..." buttons carry no letter to give.
constexpr TAccessKey kWindowAccessKeys[] = {
    // Under every page.
    {"btnLogsClear", "C&lear"},
    {"btnMessagesClear", "Clea&r"},
    // Batch.
    {"btnBAddFile", "&Add File"},
    {"btnBRemove", "Remo&ve"},
    {"btnBClearBatchList", "Clear Li&st"},
    {"btnBatchConvert", kConvertCaption},
    {"btnBTapeIDConfigure", "Con&figure"},
    {"btnBHexConfigure", "Confi&gure"},
    // Watch Folder.
    {"btnWFArm", kArmCaption},
    {"btnWFClearList", "Clear Li&st"},
    {"btnWFAdd", "&Add"},
    {"btnWFRemove", "Remo&ve"},
    {"btnWFUpdate", "&Update"},
    {"btnWFClearParams", "Clear &Params"},
    {"btnWFTapeIDConfigure", "Con&figure"},
    {"btnWFHexConfigure", "Confi&gure"},
    // Playlist Check.
    {"btnPCCheck", kCheckCaption},
    {"btnPCClearList", "Clear Li&st"},
    {"btnPCAdd", "&Add"},
    {"btnPCRemove", "Remo&ve"},
    {"btnPCUpdate", "&Update"},
    {"btnPCClearParams", "Clear &Params"},
    {"btnPCAddLanguage", "A&dd"},
    {"btnPCRemoveLanguage", "Re&move"},
};

} // namespace

void SetWindowAccessKeys(QWidget* window) {
    GuardedVoid("TCaplinForm.SetWindowAccessKeys", [&] {
        for (const TAccessKey& key : kWindowAccessKeys) {
            auto* button = window->findChild<QAbstractButton*>(key.Button);
            const QString caption(key.Caption);
            if (button && button->text() == QString(caption).remove('&'))
                button->setText(caption);
        }
    });
}

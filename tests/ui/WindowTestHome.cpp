#include "tests/ui/WindowTestHome.h"

#include <QDir>
#include <QtTest>

#include "platform/Registry.h"
#include "ui/CaplinForm.h"

namespace {

// Taken before any test points TMPDIR into a folder it later removes.
const QString& SystemTmp() {
    static const QString path = QDir(QDir::tempPath()).exists() && QDir::tempPath() != "/"
                                    ? QDir::tempPath()
                                    : QString("/tmp");
    return path;
}

} // namespace

std::unique_ptr<QTemporaryDir> NewTestHome(const char* prefix, bool loadSettings) {
    auto dir = std::make_unique<QTemporaryDir>(SystemTmp() + "/" + prefix + "-XXXXXX");
    if (!dir->isValid())
        return nullptr;
    const std::string registry = dir->filePath("registry.reg").toStdString();
    qputenv("CAPLIN_REGISTRY", QByteArray::fromStdString(registry));
    qputenv("TMPDIR", dir->path().toUtf8());
    qputenv("XDG_STATE_HOME", dir->filePath("state").toUtf8());
    if (loadSettings && !TSettingsStore::Global().Load(registry))
        return nullptr;
    return dir;
}

std::string TestLogsFolder(const QTemporaryDir& home) {
    return home.filePath("state/caplin/logs/").toStdString();
}

std::unique_ptr<TCaplinForm> NewShownForm(IUserDialogs* dialogs) {
    auto form = std::make_unique<TCaplinForm>(dialogs);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

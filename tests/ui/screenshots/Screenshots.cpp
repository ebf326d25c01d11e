// Takes the README's screenshots: the window at its default size and at 1280 x 1024, a Batch
// run with a failed file, the Watch Folder page with three folders, and the subtitle file
// types dialog editing a type, the Check STL Files dialog and the subtitle viewer. Run by
// scripts/screenshots.sh under a virtual display.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "session/CaplinSession.h"
#include "tests/ui/ScriptedDialogs.h"
#include "ui/CaplinForm.h"
#include "ui/SubtitleViewer.h"

namespace fs = std::filesystem;

namespace {

// Settings of a first look: a Batch destination, the language set by the operator, three
// watch folders.
std::string SettingsText(const std::string& home) {
    const std::string root = "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin";
    std::string text = "Windows Registry Editor Version 5.00\n\n" + root + "\\Batch]\n";
    text += "\"DestinationFolder\"=\"" + home + "/out\"\n\"LanguageSource\"=dword:00000001\n";
    text += "\"LanguagePredefined\"=\"09\"\n\n" + root + "\\WatchFolder]\n";
    text += "\"WatchFoldersCount\"=dword:00000003\n";
    const char* channels[] = {"news", "sport", "films"};
    for (int n = 0; n < 3; ++n) {
        const std::string name = channels[n];
        text += "\n" + root + "\\WatchFolder\\WF_" + std::to_string(n) + "]\n";
        text += "\"WatchFolder\"=\"/srv/subtitles/in/" + name + "\"\n";
        text += "\"DestinationFolder\"=\"/srv/playout/" + name + "\"\n";
        text += "\"Comment\"=\"" + name + " channel\"\n";
    }
    return text;
}

void Save(QWidget& widget, const std::string& path) {
    QApplication::processEvents();
    if (!widget.grab().save(QString::fromStdString(path)))
        qFatal("cannot write %s", path.c_str());
}

QTabWidget* Pages(QWidget& form) {
    return form.findChild<QTabWidget*>("PageControl");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3)
        qFatal("usage: ui_screenshots OUT_FOLDER STL_FOLDER");
    const std::string out = argv[1];
    const fs::path stl = argv[2];
    QTemporaryDir home;
    const std::string base = home.path().toStdString();
    fs::create_directories(base + "/out");
    fs::create_directories(base + "/in");
    setenv("CAPLIN_REGISTRY", (base + "/registry.reg").c_str(), 1);
    setenv("XDG_STATE_HOME", (base + "/state").c_str(), 1);
    std::ofstream(base + "/registry.reg") << SettingsText(base);

    // Three real files and one cut short, as an operator's list might hold them.
    std::vector<std::string> files;
    for (const char* name : {"asticode__go-astisub/example-in.stl", "tytouf__ebustl-rs/test.stl",
                             "wiedymi__subforge/simple.stl"}) {
        const std::string target = base + "/in/" + fs::path(name).filename().string();
        fs::copy_file(stl / name, target, fs::copy_options::overwrite_existing);
        files.push_back(target);
    }
    const std::string broken = base + "/in/EPISODE_0412.stl";
    fs::copy_file(stl / "wiedymi__subforge/simple.stl", broken);
    fs::resize_file(broken, 700);
    files.insert(files.begin() + 2, broken);

    TScriptedDialogs dialogs;
    TCaplinForm form(&dialogs);
    form.Session().LoadSettingsFile();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        qFatal("the window did not show");

    dialogs.FilesAnswers.push_back(files);
    form.findChild<QPushButton*>("btnBAddFile")->click();
    form.findChild<QPushButton*>("btnBatchConvert")->click();
    if (!QTest::qWaitFor([&] { return !form.Session().ConversionInProgress(); }, 20000))
        qFatal("the batch run did not end");
    Save(form, out + "/batch-page.png");

    Pages(form)->setCurrentIndex(1);
    Save(form, out + "/watch-folder-page.png");

    form.resize(1280, 1024);
    Save(form, out + "/watch-folder-page-1280.png");
    form.resize(800, 785);

    // The file types dialog, a type being edited: its preview cuts the tape ID and the
    // language out of the sample name.
    dialogs.DialogScripts.push_back([&](QDialog& dialog) {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            qFatal("the dialog did not show");
        dialog.findChild<QLineEdit*>("lbeName")->setText("News");
        dialog.findChild<QPushButton*>("btnAddSubtitleFileType")->click();
        auto* list = dialog.findChild<QTableWidget*>("lvSubtitleFileTypes");
        list->selectRow(0);
        dialog.findChild<QPushButton*>("btnEdit")->click();
        for (auto [name, value] :
             {std::pair{"seFileNameCharsCount", 16}, std::pair{"seTapeIDParsingStartPosition", 6},
              std::pair{"seTapeIDParsingCharectersCount", 4},
              std::pair{"seLanguageParsingStartPosition", 11},
              std::pair{"seLanguageParsingCharectersCount", 2}})
            dialog.findChild<QSpinBox*>(name)->setValue(value);
        Save(dialog, out + "/subtitle-file-types-dialog.png");
        return false;
    });
    form.findChild<QPushButton*>("btnBTapeIDConfigure")->click();

    // File > Check STL Files... on the same four files.
    dialogs.FilesAnswers.push_back(files);
    dialogs.DialogScripts.push_back([&](QDialog& dialog) {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            qFatal("the dialog did not show");
        Save(dialog, out + "/check-stl-files-dialog.png");
        return false;
    });
    form.findChild<QAction*>("CheckSTLFiles1")->trigger();

    // The viewer on a teletext file in colour and on an open subtitle file.
    for (auto [name, subtitle, shot] :
         {std::tuple{"IRT-Open-Source__scf/requirement-0161-001.stl", 8, "viewer-teletext.png"},
          std::tuple{"asticode__go-astisub/example-opn-in.stl", 1, "viewer-open.png"}}) {
        dialogs.DialogScripts.push_back([&, subtitle = subtitle, shot = shot](QDialog& dialog) {
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog))
                qFatal("the viewer did not show");
            static_cast<TSubtitleViewer&>(dialog).SelectSubtitle(subtitle);
            Save(dialog, out + "/" + shot);
            return false;
        });
        ViewSTLFile(dialogs, &form, (stl / name).string());
    }
    form.close();
    return 0;
}

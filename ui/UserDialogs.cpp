#include "ui/UserDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/QtText.h"

namespace {

std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    return S(path);
}

} // namespace

void TQtUserDialogs::ShowMessage(const std::string& text) {
    // A plain box: the operator's refusals carry no icon.
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), Q(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

void TQtUserDialogs::ShowError(const std::string& title, const std::string& text) {
    QMessageBox::critical(parent_, Q(title), Q(text));
}

bool TQtUserDialogs::AskYesNo(const std::string& text) {
    return QMessageBox::question(parent_, QApplication::applicationDisplayName(), Q(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::vector<std::string> TQtUserDialogs::ChooseFiles(const std::string& title,
                                                     const std::string& filter) {
    std::vector<std::string> files;
    for (const QString& path :
         QFileDialog::getOpenFileNames(parent_, Q(title), QString(), Q(filter)))
        files.push_back(S(path));
    return files;
}

std::optional<std::string> TQtUserDialogs::ChooseFile(const std::string& title,
                                                      const std::string& filter) {
    return Chosen(QFileDialog::getOpenFileName(parent_, Q(title), QString(), Q(filter)));
}

std::optional<std::string> TQtUserDialogs::ChooseFolder(const std::string& title,
                                                        const std::string& startFolder) {
    return Chosen(QFileDialog::getExistingDirectory(parent_, Q(title), Q(startFolder)));
}

void TQtUserDialogs::ShowAbout(const std::string& title, const std::string& text) {
    QMessageBox::information(parent_, Q(title), Q(text));
}

bool TQtUserDialogs::RunDialog(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

// A stand-in for the message boxes: answers come from queues filled by the test, and every
// question asked is recorded so the test can check what the operator would have seen.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "ui/UserDialogs.h"

class TScriptedDialogs : public IUserDialogs {
public:
    std::deque<bool> YesNoAnswers;
    // Several files chosen at once; an empty list is a cancel.
    std::deque<std::vector<std::string>> FilesAnswers;
    std::deque<std::optional<std::string>> FolderAnswers;
    // Each dialog shown takes the next script, which acts on it as the operator would (fills
    // controls, clicks buttons) and returns true for OK. With none queued it is cancelled.
    std::deque<std::function<bool(QDialog&)>> DialogScripts;
    // "Kind: title: text" per question, in order.
    std::vector<std::string> Asked;

    void ShowMessage(const std::string& text) override { Asked.push_back("Message: " + text); }
    void ShowError(const std::string& title, const std::string& text) override {
        Asked.push_back("Error: " + title + ": " + text);
    }
    bool AskYesNo(const std::string& text) override {
        Asked.push_back("YesNo: " + text);
        return Take(YesNoAnswers, false);
    }
    std::vector<std::string> ChooseFiles(const std::string& title,
                                         const std::string& filter) override {
        Asked.push_back("Files: " + title + ": " + filter);
        return Take(FilesAnswers, std::vector<std::string>());
    }
    // Takes the first file of the next FilesAnswers entry.
    std::optional<std::string> ChooseFile(const std::string& title,
                                          const std::string& filter) override {
        Asked.push_back("File: " + title + ": " + filter);
        const std::vector<std::string> files = Take(FilesAnswers, std::vector<std::string>());
        return files.empty() ? std::nullopt : std::optional<std::string>(files.front());
    }
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startFolder) override {
        Asked.push_back("Folder: " + title + ": " + startFolder);
        return Take(FolderAnswers, std::optional<std::string>());
    }
    void ShowAbout(const std::string& title, const std::string& text) override {
        Asked.push_back("About: " + title + ": " + text);
    }
    bool RunDialog(QDialog& dialog) override {
        Asked.push_back("Dialog: " + dialog.windowTitle().toStdString());
        dialog.show();
        const auto script = Take(DialogScripts, std::function<bool(QDialog&)>());
        const bool accepted = script && script(dialog);
        dialog.hide();
        return accepted;
    }

private:
    // An unscripted question is answered as a cancel would be.
    template <class T> static T Take(std::deque<T>& queue, T fallback) {
        if (queue.empty())
            return fallback;
        T answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

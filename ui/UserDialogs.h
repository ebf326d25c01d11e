// Every message box and chooser of the window goes through this interface, so tests answer
// them from a script instead of a person.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QDialog;
class QWidget;

class IUserDialogs {
public:
    virtual ~IUserDialogs() = default;
    // A plain box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void ShowError(const std::string& title, const std::string& text) = 0;
    // A confirmation with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // Several files at once, in the order chosen; empty when the operator cancels.
    virtual std::vector<std::string> ChooseFiles(const std::string& title,
                                                 const std::string& filter) = 0;
    // One file; nothing when the operator cancels.
    virtual std::optional<std::string> ChooseFile(const std::string& title,
                                                  const std::string& filter) = 0;
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& startFolder) = 0;
    // The information box of Help / About.
    virtual void ShowAbout(const std::string& title, const std::string& text) = 0;
    // Shows a configuration dialog modally; true when the operator closed it with OK.
    virtual bool RunDialog(QDialog& dialog) = 0;
};

// The real boxes, modal on parent.
class TQtUserDialogs : public IUserDialogs {
public:
    explicit TQtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& title, const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    std::vector<std::string> ChooseFiles(const std::string& title,
                                         const std::string& filter) override;
    std::optional<std::string> ChooseFile(const std::string& title,
                                          const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startFolder) override;
    void ShowAbout(const std::string& title, const std::string& text) override;
    bool RunDialog(QDialog& dialog) override;

private:
    QWidget* parent_;
};

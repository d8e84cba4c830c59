// What the core needs of the window it runs in: the two panes, status panel 1, the wait banner and
// the message pump. The main window, the command-line companion and the tests each implement it.
#pragma once

#include <cstdint>
#include <string>

namespace torvane {

class Host {
public:
    virtual ~Host() = default;

    // The information pane Memo2. Adding text works like adding one entry to a list of lines: text
    // holding line breaks adds several lines, and text ending in a line break adds a last empty one
    // (splitAddedText in util/text.h does the splitting).
    virtual void memo2Add(const std::string& text) = 0;
    virtual void memo2Clear() = 0;

    // The diagnostics pane Memo1.
    virtual void memo1Add(const std::string& text) = 0;
    // Taken by value and read by reference: a large reply moves in and is searched where it lies,
    // never copied on its way to the confirmation check.
    virtual void memo1SetText(std::string text) = 0;
    virtual void memo1Clear() = 0;
    virtual const std::string& memo1Text() const = 0;

    // Status panel 1 of the status bar.
    virtual void setStatusText(const std::string& text) = 0;
    // The banner "Processing Data Please Wait".
    virtual void setBannerVisible(bool visible) = 0;
    // Repaint the window at once.
    virtual void repaint() = 0;
    // Let pending window messages be handled.
    virtual void processMessages() = 0;
    // How far a posting run is: done of total records (total below 0 while the file is not counted yet)
    // after elapsedMs of the run. Reported before the first record and after each; nothing shows it
    // unless the window does.
    virtual void runProgress(int64_t done, int64_t total, int64_t elapsedMs)
    {
        (void)done, (void)total, (void)elapsedMs;
    }
};

// Message boxes the core asks for.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Yes/No question with the exclamation icon; true for Yes.
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
    // OK/Cancel question; true for OK.
    virtual bool askOkCancel(const std::string& caption, const std::string& text) = 0;
    // A message with an OK button and the exclamation icon ("Export File Could Not Be Found").
    virtual void showExclamation(const std::string& caption, const std::string& text) = 0;
    // A message with an OK button and the error icon (the general error handler).
    virtual void showError(const std::string& caption, const std::string& text) = 0;
};

}  // namespace torvane

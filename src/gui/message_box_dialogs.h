// The core's questions and messages as message boxes over a window, the same in every window:
// questions default to their first answer (Yes, OK). Tests put scripted answers in their place.
#pragma once

#include "util/host.h"

class QWidget;

namespace torvane {

class MessageBoxDialogs : public Dialogs {
public:
    explicit MessageBoxDialogs(QWidget* parent) : m_parent(parent) {}

    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askOkCancel(const std::string& caption, const std::string& text) override;
    void showExclamation(const std::string& caption, const std::string& text) override;
    void showError(const std::string& caption, const std::string& text) override;

private:
    QWidget* m_parent;
};

}  // namespace torvane

// The window the posting run reports to, as the command-line companion shows it: information-pane
// lines on standard output as they are added, and (when verbose) the status panel and the diagnostics
// pane on standard error. Message boxes become lines on standard error; questions are answered Yes.
#pragma once

#include "util/host.h"

#include <iosfwd>
#include <string>

namespace torvane {

class ConsoleHost : public Host, public Dialogs {
public:
    ConsoleHost(std::ostream& out, std::ostream& err, bool verbose);

    void memo2Add(const std::string& text) override;
    void memo2Clear() override {}
    void memo1Add(const std::string& text) override;
    void memo1SetText(std::string text) override;
    void memo1Clear() override { m_memo1.clear(); }
    const std::string& memo1Text() const override { return m_memo1; }
    void setStatusText(const std::string& text) override;
    void setBannerVisible(bool) override {}
    void repaint() override {}
    void processMessages() override {}

    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askOkCancel(const std::string& caption, const std::string& text) override;
    void showExclamation(const std::string& caption, const std::string& text) override;
    void showError(const std::string& caption, const std::string& text) override;

private:
    void diagnostics(const std::string& text);

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_verbose;
    // The reply the confirmation check reads: kept whether or not it is shown.
    std::string m_memo1;
    std::string m_lastStatus;
};

// Writes text that may hold CR LF, LF or lone CR line breaks as lines ending in "\n".
void writeLines(std::ostream& stream, const std::string& text, const std::string& prefix = {});

}  // namespace torvane

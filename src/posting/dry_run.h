// What building records with the run's own code, without sending them, needs around the engine: a
// window that shows nothing and a client that refuses every request. The data check and the field
// mapper's preview use them.
#pragma once

#include "http/posting_client.h"
#include "util/error.h"
#include "util/host.h"

#include <string>
#include <vector>

namespace torvane {

// The window such an engine reports to: nothing is shown; the last information-pane line is kept,
// because the tracking lookups say there what they found. Questions are answered No.
class SilentHost : public Host, public Dialogs {
public:
    std::string lastMemo2;

    void memo2Add(const std::string& text) override { lastMemo2 = text; }
    void memo2Clear() override {}
    void memo1Add(const std::string&) override {}
    void memo1SetText(std::string) override {}
    void memo1Clear() override {}
    const std::string& memo1Text() const override { return m_noText; }
    void setStatusText(const std::string&) override {}
    void setBannerVisible(bool) override {}
    void repaint() override {}
    void processMessages() override {}

    bool askYesNo(const std::string&, const std::string&) override { return false; }
    bool askOkCancel(const std::string&, const std::string&) override { return false; }
    void showExclamation(const std::string&, const std::string&) override {}
    void showError(const std::string&, const std::string&) override {}

private:
    const std::string m_noText;
};

// Such an engine never gets as far as a request; should it ever try, it fails rather than send.
class NoRequests : public PostingClient {
public:
    PostingReply send(const PostingRequest&) override { throw Error("The data check sends no request"); }
    void setTrafficLog(bool) override {}
};

}  // namespace torvane

// Test stand-ins for the window: a host that records what the core shows, dialogs that answer from a
// script, a clock that only counts, and a posting client that records requests and answers a fixed text.
#pragma once

#include "util/host.h"
#include "http/posting_client.h"
#include "support/fake_clock.h"

#include <deque>
#include <string>
#include <vector>

namespace torvane::test {

class RecordingHost : public Host {
public:
    std::vector<std::string> memo2;  // lines of the information pane
    std::string memo1;               // text of the diagnostics pane
    std::vector<std::string> statuses;
    bool bannerVisible = false;
    int messagePumps = 0;

    void memo2Add(const std::string& text) override;
    void memo2Clear() override { memo2.clear(); }
    void memo1Add(const std::string& text) override;
    void memo1SetText(std::string text) override { memo1 = std::move(text); }
    void memo1Clear() override { memo1.clear(); }
    const std::string& memo1Text() const override { return memo1; }
    void setStatusText(const std::string& text) override { statuses.push_back(text); }
    void setBannerVisible(bool visible) override { bannerVisible = visible; }
    void repaint() override {}
    void processMessages() override { ++messagePumps; }
    struct Progress {
        int64_t done, total, elapsedMs;
        bool operator==(const Progress&) const = default;
    };
    std::vector<Progress> progress;
    void runProgress(int64_t done, int64_t total, int64_t elapsedMs) override
    {
        progress.push_back({done, total, elapsedMs});
    }

    std::string status() const { return statuses.empty() ? std::string() : statuses.back(); }
};

class ScriptedDialogs : public Dialogs {
public:
    bool answer = true;  // the answer to every question
    struct Shown {
        std::string kind, caption, text;
    };
    std::vector<Shown> shown;

    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askOkCancel(const std::string& caption, const std::string& text) override;
    void showExclamation(const std::string& caption, const std::string& text) override;
    void showError(const std::string& caption, const std::string& text) override;
};

// Records every request; answers each with `reply`, or with the next of `replies` while any are left.
class FakePostingClient : public PostingClient {
public:
    struct Request {
        std::string method, url, body;
        std::vector<std::string> entries;
        std::string contentType, cacheControl;
        bool tls = false;
        bool logOn = false;
        std::string fromPage;
    };
    std::vector<Request> requests;
    std::string reply;
    std::deque<std::string> replies;
    std::string failWith;  // when set, every request throws Error(failWith)
    RequestFate fate = RequestFate::InDoubt;  // how far a failing request got
    std::string statusLine = "HTTP/1.1 200 OK";
    // Failures of the next requests, one each, before failWith and the replies are looked at. A status
    // makes the failure the server's answer with that status (message as its status line).
    struct Failure {
        std::string message;
        RequestFate fate = RequestFate::NotSent;
        int status = 0;
        std::string retryAfter;
    };
    std::deque<Failure> failures;
    std::string retryAfter;  // the Retry-After header of the last reply
    bool logOn = false;
    std::vector<bool> logSwitches;

    void setCacheControl(const std::string& value) override { m_cache = value; }
    void setContentType(const std::string& value) override { m_content = value; }
    void attachTlsTransport(bool attach) override { m_tls = attach; }
    void setTrafficLog(bool on) override
    {
        logOn = on;
        logSwitches.push_back(on);
    }
    std::string put(const std::string& url, const std::string& body, const std::string& fromPage) override;
    std::string post(const std::string& url, const std::vector<std::string>& entries,
                     const std::string& fromPage) override;
    std::string get(const std::string& url) override;
    RequestFate lastRequestFate() const override { return fate; }
    std::string lastStatusLine() const override { return statusLine; }
    std::string lastResponseHeader(const std::string& name) const override
    {
        return name == "Retry-After" ? retryAfter : std::string();
    }

private:
    std::string answer(Request request);
    std::string m_cache, m_content;
    bool m_tls = false;
};

}  // namespace torvane::test

// Test stand-ins for the window: a host that records what the core shows, dialogs that answer from a
// script, a clock that only counts, and a posting client that records requests and answers a fixed text.
#pragma once

#include "util/host.h"
#include "http/posting_client.h"
#include "http/request_fate.h"
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

// Records every request; answers each with the next of `answers` (replies as values) while any are
// left, else with the next of `replies`, else with `reply`, under `statusLine`.
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
    std::deque<PostingReply> answers;
    std::string failWith;  // when set, every request throws a failure with this message
    RequestFate fate = RequestFate::InDoubt;  // how far a failing request got
    std::string statusLine = "HTTP/1.1 200 OK";
    // Failures of the next requests, one each, before failWith and the replies are looked at. A status
    // makes the failure the server's answer with that status (message as its status line).
    struct Failure {
        std::string message;
        RequestFate fate = RequestFate::NotSent;
        int status = 0;
        std::string retryAfter;

        Failure(std::string message, RequestFate fate = RequestFate::NotSent, int status = 0,
                std::string retryAfter = {})
            : message(std::move(message)), fate(fate), status(status), retryAfter(std::move(retryAfter))
        {
        }
    };
    std::deque<Failure> failures;
    bool logOn = false;
    std::vector<bool> logSwitches;

    PostingReply send(const PostingRequest& request) override;
    void setTrafficLog(bool on) override
    {
        logOn = on;
        logSwitches.push_back(on);
    }

private:
    [[noreturn]] void fail(const Failure& failure);
};

}  // namespace torvane::test

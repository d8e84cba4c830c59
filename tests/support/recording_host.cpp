#include "support/recording_host.h"

#include "http/http_reply.h"

#include "util/error.h"
#include "util/text.h"

namespace torvane::test {

void RecordingHost::memo2Add(const std::string& text)
{
    for (auto& line : splitAddedText(text))
        memo2.push_back(std::move(line));
}

void RecordingHost::memo1Add(const std::string& text)
{
    if (!memo1.empty())
        memo1 += "\r\n";
    memo1 += text;
}

bool ScriptedDialogs::askYesNo(const std::string& caption, const std::string& text)
{
    shown.push_back({"yesno", caption, text});
    return answer;
}

bool ScriptedDialogs::askOkCancel(const std::string& caption, const std::string& text)
{
    shown.push_back({"okcancel", caption, text});
    return answer;
}

void ScriptedDialogs::showExclamation(const std::string& caption, const std::string& text)
{
    shown.push_back({"exclamation", caption, text});
}

void ScriptedDialogs::showError(const std::string& caption, const std::string& text)
{
    shown.push_back({"error", caption, text});
}

PostingReply FakePostingClient::send(const PostingRequest& r)
{
    const char* method = r.method == HttpMethod::Put ? "PUT" : r.method == HttpMethod::Post ? "POST" : "GET";
    requests.push_back({method, r.url, r.body, r.entries, r.contentType, r.cacheControl, r.tls, logOn, r.fromPage});
    if (!failures.empty()) {
        const Failure f = failures.front();
        failures.pop_front();
        fate = f.fate;
        fail(f);
    }
    if (!failWith.empty())
        fail({failWith, fate});
    if (!answers.empty()) {
        PostingReply next = answers.front();
        answers.pop_front();
        return next;
    }
    PostingReply answer;
    answer.statusLine = statusLine;
    answer.code = statusCodeOf(statusLine);
    if (!replies.empty()) {
        answer.body = replies.front();
        replies.pop_front();
    } else {
        answer.body = reply;
    }
    return answer;
}

void FakePostingClient::fail(const Failure& f)
{
    PostingReply answer;
    if (f.status != 0) {
        statusLine = f.message;
        answer.code = f.status;
        if (!f.retryAfter.empty())
            answer.headers.push_back({"Retry-After", f.retryAfter});
    }
    if (f.fate == RequestFate::Answered)
        answer.statusLine = statusLine;
    throw RequestFailed(f.message, f.fate, std::move(answer));
}

}  // namespace torvane::test

#include "support/recording_host.h"

#include "http/http_client.h"

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

std::string FakePostingClient::answer(Request request)
{
    request.contentType = m_content;
    request.cacheControl = m_cache;
    request.tls = m_tls;
    request.logOn = logOn;
    requests.push_back(std::move(request));
    retryAfter.clear();
    if (!failures.empty()) {
        const Failure f = failures.front();
        failures.pop_front();
        fate = f.fate;
        retryAfter = f.retryAfter;
        if (f.status != 0) {
            statusLine = f.message;
            throw ProtocolError(f.status, f.message, {});
        }
        throw Error(f.message);
    }
    if (!failWith.empty())
        throw Error(failWith);
    if (!replies.empty()) {
        std::string r = replies.front();
        replies.pop_front();
        return r;
    }
    return reply;
}

std::string FakePostingClient::put(const std::string& url, const std::string& body, const std::string& fromPage)
{
    return answer({"PUT", url, body, {}, {}, {}, false, false, fromPage});
}

std::string FakePostingClient::post(const std::string& url, const std::vector<std::string>& entries,
                                    const std::string& fromPage)
{
    return answer({"POST", url, {}, entries, {}, {}, false, false, fromPage});
}

std::string FakePostingClient::get(const std::string& url)
{
    return answer({"GET", url, {}, {}, {}, {}, false, false, {}});
}

}  // namespace torvane::test

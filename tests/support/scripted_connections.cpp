#include "support/scripted_connections.h"

#include <algorithm>
#include <chrono>

namespace torvane::test {

namespace {

class Connection : public PostingClient {
public:
    explicit Connection(ScriptedConnections& owner) : m_owner(owner) {}
    PostingReply send(const PostingRequest& request) override { return m_owner.send(request); }
    void setTrafficLog(bool) override {}

private:
    ScriptedConnections& m_owner;
};

PostingReply replyOf(int status, std::string body, std::string place)
{
    PostingReply reply;
    reply.code = status;
    reply.statusLine = "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Error");
    reply.body = std::move(body);
    reply.place = std::move(place);
    return reply;
}

}  // namespace

std::unique_ptr<PostingClient> ScriptedConnections::openConnection()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    ++m_opened;
    return std::make_unique<Connection>(*this);
}

PostingReply ScriptedConnections::send(const PostingRequest& request)
{
    if (!request.entries.empty() && script.count(request.entries.front()))
        return answerRecord(request.entries.front());
    const std::lock_guard<std::mutex> hold(m_lock);
    m_arrivals.push_back("session " + request.url);
    PostingReply next = sessionAnswers.empty() ? replyOf(200, "Welcome", "127.0.0.1/auth") : sessionAnswers.front();
    if (!sessionAnswers.empty())
        sessionAnswers.pop_front();
    return next;
}

PostingReply ScriptedConnections::answerRecord(const std::string& key)
{
    std::unique_lock<std::mutex> hold(m_lock);
    m_arrivals.push_back(key);
    std::deque<Answer>& answers = script.at(key);
    const Answer answer = answers.front();
    if (answers.size() > 1)
        answers.pop_front();
    if (!ordered && !answer.after.empty()) {
        // Bounded, so that a script that waits for a record never sent fails the test instead of hanging.
        m_changed.wait_for(hold, std::chrono::seconds(10), [&] {
            return std::find(m_answered.begin(), m_answered.end(), answer.after) != m_answered.end();
        });
    }
    m_answered.push_back(key);
    m_changed.notify_all();
    if (answer.notSent)
        throw RequestFailed("Connection refused", RequestFate::NotSent);
    if (answer.status >= 400)
        throw RequestFailed("HTTP/1.1 " + std::to_string(answer.status) + " Error", RequestFate::Answered,
                            replyOf(answer.status, answer.body, "127.0.0.1/form"));
    if (answer.loginPage)
        return replyOf(200, "<form><input name=user></form>", "127.0.0.1/login");
    return replyOf(200, answer.body, "127.0.0.1/form");
}

std::vector<std::string> ScriptedConnections::arrivals() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_arrivals;
}

std::vector<std::string> ScriptedConnections::answered() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_answered;
}

int ScriptedConnections::connectionsOpened() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_opened;
}

}  // namespace torvane::test

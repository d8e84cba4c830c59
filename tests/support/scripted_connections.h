// A posting client whose further connections answer each record from a script, on the workers'
// threads: a record's answer can be made to wait until another record has been answered, so that the
// replies of a run come back out of order. Requests that are no record's (the login) get the next
// of sessionAnswers. With ordered set, nothing waits: the same script serves a run of one connection.
#pragma once

#include "http/posting_client.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace torvane::test {

class ScriptedConnections : public PostingClient {
public:
    struct Answer {
        std::string body = "ok";
        int status = 200;       // above 399: the request fails with the server's answer
        bool notSent = false;   // the request fails before it is written
        bool loginPage = false; // answered with the login page
        std::string after;      // the record (its first entry) answered before this one
    };
    // Keyed by the request's first entry; a key's answers are taken one per request, the last kept.
    std::map<std::string, std::deque<Answer>> script;
    std::deque<PostingReply> sessionAnswers;
    bool ordered = false;

    PostingReply send(const PostingRequest& request) override;
    void setTrafficLog(bool) override {}
    std::unique_ptr<PostingClient> openConnection() override;

    // What was asked ("session URL" for a request that is no record's) and answered, each record by its
    // first entry, in the order it happened.
    std::vector<std::string> arrivals() const;
    std::vector<std::string> answered() const;
    int connectionsOpened() const;

private:
    PostingReply answerRecord(const std::string& key);

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_arrivals, m_answered;
    int m_opened = 0;
};

}  // namespace torvane::test

// A web application behind a login, for end-to-end tests: POST /login with the right user and
// password sets a session cookie and redirects to a welcome page; /form shows a token of the session
// in a hidden field; /orders takes a record only with the cookie and that token. Without a session
// every page but the login page redirects to it. A session can be made to expire after some records.
#pragma once

#include "support/scripted_server.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace torvane::test {

class LoginSite {
public:
    LoginSite(std::string user, std::string password) : m_user(std::move(user)), m_password(std::move(password)) {}

    // Serves the server's requests from now on.
    void serveOn(ScriptedServer& server);
    ScriptedServer::Reply answer(const std::string& request);

    // Records a session takes before it expires; 0: it never does.
    int expireAfter = 0;
    // False: a session ends as soon as its welcome page is shown, so no record ever finds one.
    bool sessionsLast = true;
    // True: a record taken is answered with a redirection to /thanks (which needs the session).
    bool thanksByRedirect = false;

    // The acct values of the records taken, in order.
    std::vector<std::string> accepted() const;
    int logins() const;
    // Records refused for a missing or wrong token, or sent without a session.
    int refused() const;

private:
    struct Session {
        std::string token;
        int records = 0;
    };

    std::string m_user;
    std::string m_password;
    mutable std::mutex m_mutex;
    std::map<std::string, Session> m_sessions;  // by cookie value
    int m_serial = 0;
    int m_logins = 0;
    int m_refused = 0;
    std::vector<std::string> m_accepted;
};

}  // namespace torvane::test

// The session a form behind a login needs: the login before the first request of a run, the hidden
// values taken fresh from the live form page before each record, and a new login when a reply shows
// that the session has expired. With no login URL and no form page set, none of it happens.
#pragma once

#include "http/posting_request.h"
#include "posting/page_inputs.h"
#include "util/secrets.h"

#include <string>
#include <vector>

namespace torvane {

class Database;
class Host;
class PostingClient;
class RowReader;

struct SessionSettings {
    std::string loginUrl;
    std::string loginData;  // one name=value per line
    std::string checkText;
    std::string formUrl;
    bool refreshHidden = false;

    static SessionSettings fromSettings(const RowReader& settings);
    bool logsIn() const { return !loginUrl.empty(); }
    bool refreshes() const { return refreshHidden && !formUrl.empty(); }
};

// The content types the session's requests carry: the login's, and the form page's (the record's).
struct SessionContent {
    std::string login = "application/x-www-form-urlencoded";
    std::string page = "application/x-www-form-urlencoded";
};

// Re-logins a run may make before it gives up on the server.
inline constexpr int kMaxRelogins = 3;

class SessionLogin {
public:
    SessionLogin(PostingClient& client, Redactor& redactor) : m_client(client), m_redactor(redactor) {}

    // Takes the settings of a run, resolves every ${NAME} of the login data and registers the secrets
    // (raw and form-encoded) with the redactor. Throws "Login Failed: NAME is not set" before any
    // request is made.
    void prepare(const SessionSettings& settings, SecretSource& secrets, SessionContent content = {});
    const SessionSettings& settings() const { return m_settings; }

    // Logs in as a browser does: GETs the login page (keeping its cookies), then POSTs the login data
    // with the hidden inputs of the page's login form to that form's action. Throws "Login Failed: "
    // with the status line when the server refuses the login, or saying that the check text is missing
    // from its reply. Returns a line for the diagnostics pane, empty when there is nothing to say.
    // The reply to the login is kept (loginReply).
    std::string logIn();
    // A login after an expired session; the fourth of a run throws "Login Failed: Session Keeps Expiring".
    std::string logInAgain();
    int relogins() const { return m_relogins; }
    // The reply to the last login, empty before the first.
    const PostingReply& loginReply() const { return m_loginReply; }

    // GETs the form page and keeps its INPUT tags.
    void fetchFormPage();
    const std::vector<PageInput>& formInputs() const { return m_inputs; }
    // For each entry of the data list whose name is one of hiddenNames and an INPUT of the form page,
    // the page's value replaces the entry's, as the page has it. Returns how many were replaced.
    int refreshHidden(std::vector<std::string>& dataList, const std::vector<std::string>& hiddenNames) const;

    // Whether the reply to a record's request came from the login page instead of the form (the
    // request ended up at the login URL's host and path, or the reply holds the login's first input).
    bool expired(const PostingReply& reply, const std::string& recordUrl) const;
    // Whether the server took a record's request and pointed to its answer, but the answer led to the
    // login page (the session ended in between), so whether it was accepted is unknown.
    bool answerLost(const PostingReply& reply, const std::string& recordUrl) const;

private:
    // What the login POST sends, where, and from which page.
    struct LoginPost {
        std::string url;
        std::vector<std::string> entries;
        std::string fromPage;
    };
    // The login POST the login page asks for (pageUrl: where the page was reached).
    LoginPost loginPostFrom(const std::string& page, const std::string& pageUrl) const;
    // A request of the session: with the TLS transport its URL (tlsFor) asks for, never cached.
    PostingRequest request(HttpMethod method, const std::string& url, const std::string& tlsFor,
                           const std::string& contentType) const;

    PostingClient& m_client;
    Redactor& m_redactor;
    SessionSettings m_settings;
    std::vector<std::string> m_loginEntries;
    std::string m_firstLoginName;
    std::vector<PageInput> m_inputs;
    SessionContent m_content;
    PostingReply m_loginReply;
    int m_relogins = 0;
};

// The Name of every field definition whose Type is "hidden" (any case), in field order.
std::vector<std::string> hiddenFieldNames(Database& database);

}  // namespace torvane

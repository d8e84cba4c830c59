// Real order-form web applications (tests/apps: Django, Flask with Flask-WTF, plain PHP) started on
// 127.0.0.1 for end-to-end tests, and the orders each one stored, read from its own database.
//
// Every application has the user kUser / kPassword, takes orders only after a login (a session
// cookie), checks a CSRF token (the hidden INPUT named by pages().tokenField) on every POST, and
// stores what it received in the table orders of its SQLite database. The forms' fields:
//   login:               username, password (Flask adds the submit INPUT "submit", Django the hidden "next")
//   order, orderAgain:   customer_name (at most 30 characters), quantity (whole number), order_date
//                        (<input type="date">, YYYY-MM-DD), gift_wrap (checkbox; its VALUE is "on" for
//                        Django, "y" for Flask, "yes" for PHP), notes (textarea)
//   upload:              customer_name, attachment (<input type="file">, not required), enctype
//                        multipart/form-data
// A form with a wrong value is shown again (200) and stores nothing.
//
// An https front, as the Django site is deployed: nginx with TLS passing every request on, its Host
// and scheme with it (Django then treats https requests as secure and checks their Referer):
//   TempDir certDir;
//   TestCertificate cert = makeTestCertificate(certDir.path(), CertKind::SelfSigned);
//   NginxServer::Tls tls{cert.certFile, cert.keyFile};
//   NginxServer front(NginxServer::findBinary(), app.proxyLocations(), &tls);
//   front.httpsUrl(FormApp::pages(FormAppKind::Django).login) ...
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace torvane::test {

class ChildProgram;

enum class FormAppKind { Django, Flask, Php };

// The pages of one application, as paths from its root.
struct FormAppPages {
    std::string login;      // the login form; a login that succeeds is answered 302 to order
    std::string order;      // an order saved is answered 302 to thanks
    std::string thanks;     // answers GET only (405 otherwise) and shows FormApp::kThanksText
    std::string orderAgain; // an order saved is answered 302 back here, which shows kSavedText once
    std::string upload;     // the multipart form; saved, it is answered 302 to thanks
    std::string expire;     // GET ends every session on the server (test only)
    std::string tokenField; // the name of the hidden CSRF token INPUT of every form
};

// One row of the table orders as the application stored it; a NULL column is empty or nullopt.
struct StoredOrder {
    long long id = 0;
    std::string form; // which page took it: "order", "order_again" or "upload"
    std::string customerName;
    std::optional<long long> quantity;
    std::string orderDate; // as the framework parsed it, ISO: YYYY-MM-DD
    bool giftWrap = false;
    std::string notes; // as received: line breaks of a textarea are CR LF
    std::string attachmentName;
    std::string attachmentSha256; // lower-case hex
    std::optional<long long> attachmentSize;
};

class FormApp {
public:
    static constexpr const char* kUser = "operator";
    static constexpr const char* kPassword = "s3cret-pass";
    static constexpr const char* kThanksText = "Thank you for your order";
    static constexpr const char* kSavedText = "Order saved";
    // On every page of a logged-in session (the text to check a login by).
    static constexpr const char* kWelcomeText = "Welcome, operator";
    static constexpr int kStartLimitMs = 20000;

    // Whether this machine can run the application (its interpreter and framework are installed).
    static bool available(FormAppKind kind);
    static const char* name(FormAppKind kind);
    static const FormAppPages& pages(FormAppKind kind);

    // Starts the application on a free port with a fresh database, and waits until it listens (at
    // most kStartLimitMs); running() and startError() tell how that went.
    explicit FormApp(FormAppKind kind);
    // Stops it: SIGTERM, then SIGKILL after a few seconds.
    ~FormApp();
    FormApp(const FormApp&) = delete;
    FormApp& operator=(const FormApp&) = delete;

    bool running() const;
    // Why the application did not start, with what it printed; empty when it did.
    const std::string& startError() const { return m_startError; }
    FormAppKind kind() const { return m_kind; }
    const FormAppPages& pages() const { return pages(m_kind); }
    int port() const { return m_port; }
    std::string url(const std::string& path) const;
    // The application's database (ORDERS_DB).
    std::string database() const { return m_dir.file("orders.sqlite3"); }

    // The rows of orders by id; none before the first order. Throws std::runtime_error when the
    // database cannot be read.
    std::vector<StoredOrder> orders() const;
    // Ends every session on the server; false when the application did not confirm it.
    bool expireSessions() const;
    // What the application printed so far: its request log, and any traceback or PHP error.
    std::string output() const;
    // The inside of an nginx server block that passes every request on to this application.
    std::string proxyLocations() const;

private:
    bool start(const std::string& program, const std::vector<std::string>& args);

    FormAppKind m_kind;
    TempDir m_dir;
    int m_port = 0;
    std::unique_ptr<ChildProgram> m_child;
    std::string m_startError;
};

} // namespace torvane::test

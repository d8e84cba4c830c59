#include "support/form_app.h"

#include <chrono>
#include <filesystem>
#include <poll.h>
#include <sqlite3.h>
#include <stdexcept>

#include "support/child_program.h"
#include "support/loopback.h"
#include "support/scripted_server.h"

namespace torvane::test {

namespace {

std::string appDir(const char* name)
{
    return std::string(TORVANE_SOURCE_DIR) + "/tests/apps/" + name;
}

// The interpreter of the Debian packages comes first: another python3 on PATH lacks the frameworks.
std::string python()
{
    return findProgram("python3", {"/usr/bin"});
}

std::string php()
{
    return findProgram("php", {"/usr/bin"});
}

// Whether program runs and ends with status 0 (output ignored).
bool succeeds(const std::string& program, const std::vector<std::string>& args)
{
    return !program.empty() && runProgram(program, args).status == 0;
}

std::string columnText(sqlite3_stmt* row, int column)
{
    const unsigned char* text = sqlite3_column_text(row, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

std::optional<long long> columnNumber(sqlite3_stmt* row, int column)
{
    if (sqlite3_column_type(row, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_int64(row, column);
}

StoredOrder readOrder(sqlite3_stmt* row)
{
    StoredOrder order;
    order.id = sqlite3_column_int64(row, 0);
    order.form = columnText(row, 1);
    order.customerName = columnText(row, 2);
    order.quantity = columnNumber(row, 3);
    order.orderDate = columnText(row, 4);
    order.giftWrap = sqlite3_column_int64(row, 5) != 0;
    order.notes = columnText(row, 6);
    order.attachmentName = columnText(row, 7);
    order.attachmentSha256 = columnText(row, 8);
    order.attachmentSize = columnNumber(row, 9);
    return order;
}

} // namespace

bool FormApp::available(FormAppKind kind)
{
    switch (kind) {
    case FormAppKind::Django:
        return succeeds(python(), {"-c", "import django"});
    case FormAppKind::Flask:
        return succeeds(python(), {"-c", "import flask, flask_wtf"});
    case FormAppKind::Php:
        return succeeds(php(), {"-r", "exit(extension_loaded('pdo_sqlite') ? 0 : 1);"});
    }
    return false;
}

const char* FormApp::name(FormAppKind kind)
{
    switch (kind) {
    case FormAppKind::Django:
        return "django";
    case FormAppKind::Flask:
        return "flask";
    case FormAppKind::Php:
        return "php";
    }
    return "?";
}

const FormAppPages& FormApp::pages(FormAppKind kind)
{
    static const FormAppPages django{"/accounts/login/",   "/orders/new/",  "/orders/thanks/",
                                     "/orders/again/",     "/uploads/new/", "/test/expire-sessions/",
                                     "csrfmiddlewaretoken"};
    static const FormAppPages flask{
        "/login", "/order", "/thanks", "/order-again", "/upload", "/test/expire-sessions", "csrf_token"};
    static const FormAppPages php{"/login.php",  "/order.php",  "/thanks.php", "/order_again.php",
                                  "/upload.php", "/expire.php", "token"};
    switch (kind) {
    case FormAppKind::Django:
        return django;
    case FormAppKind::Flask:
        return flask;
    case FormAppKind::Php:
        break;
    }
    return php;
}

FormApp::FormApp(FormAppKind kind) : m_kind(kind)
{
    // The free port found may be taken by someone else before the application binds it; a few
    // attempts make that harmless.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = ScriptedServer::unusedPort();
        const std::string port = std::to_string(m_port);
        bool started = false;
        switch (kind) {
        case FormAppKind::Django:
            started = start(python(), {appDir("django_orders") + "/run.py", port});
            break;
        case FormAppKind::Flask:
            started = start(python(), {appDir("flask_orders") + "/app.py", port});
            break;
        case FormAppKind::Php:
            started = start(php(), {"-d", "upload_max_filesize=1G", "-d", "post_max_size=1G", "-S",
                                    "127.0.0.1:" + port, "-t", appDir("php_orders")});
            break;
        }
        if (started)
            return;
    }
}

// Starts the application and waits until it listens, it ends, or the time is up.
bool FormApp::start(const std::string& program, const std::vector<std::string>& args)
{
    if (program.empty()) {
        m_startError = std::string(name(m_kind)) + ": its interpreter is not installed";
        return false;
    }
    m_child = std::make_unique<ChildProgram>(
        program, args, false,
        std::vector<std::string>{"ORDERS_DB=" + database(), "APP_STATE_DIR=" + m_dir.path(),
                                 "PYTHONDONTWRITEBYTECODE=1", "PYTHONUNBUFFERED=1"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
    while (m_child->running() && std::chrono::steady_clock::now() < deadline) {
        if (loopbackAccepts(m_port)) {
            m_startError.clear();
            return true;
        }
        ::poll(nullptr, 0, 50);
    }
    const bool ended = !m_child->running();
    const CliResult result = m_child->stop();
    m_child.reset();
    m_startError = std::string(name(m_kind)) + " on port " + std::to_string(m_port) +
                   (ended ? " ended before it listened" : " did not listen within the time limit") + ":\n" +
                   result.out + result.err;
    return false;
}

FormApp::~FormApp()
{
    if (m_child)
        m_child->stop();
}

bool FormApp::running() const
{
    return m_child && m_child->running();
}

std::string FormApp::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<StoredOrder> FormApp::orders() const
{
    std::vector<StoredOrder> rows;
    if (!std::filesystem::exists(database()))
        return rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const std::string error = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error(database() + ": " + error);
    }
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* row = nullptr;
    const char* const query = "SELECT id, form, customer_name, quantity, order_date, gift_wrap, notes, "
                              "attachment_name, attachment_sha256, attachment_size FROM orders ORDER BY id";
    int rc = sqlite3_prepare_v2(db, query, -1, &row, nullptr);
    const std::string prepareError = rc == SQLITE_OK ? "" : sqlite3_errmsg(db);
    while (rc == SQLITE_OK && (rc = sqlite3_step(row)) == SQLITE_ROW) {
        rows.push_back(readOrder(row));
        rc = SQLITE_OK;
    }
    const std::string stepError = rc == SQLITE_DONE ? "" : sqlite3_errmsg(db);
    sqlite3_finalize(row);
    sqlite3_close(db);
    // An application that makes its table on the first order has none before it.
    if (prepareError.rfind("no such table", 0) == 0)
        return rows;
    if (!prepareError.empty() || !stepError.empty())
        throw std::runtime_error(database() + ": " + prepareError + stepError);
    return rows;
}

bool FormApp::expireSessions() const
{
    const std::string reply = loopbackExchange(
        m_port, "GET " + pages().expire + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(m_port) +
                    "\r\nConnection: close\r\n\r\n");
    return reply.rfind("HTTP/1.1 200", 0) == 0 || reply.rfind("HTTP/1.0 200", 0) == 0;
}

std::string FormApp::output() const
{
    return m_child ? m_child->outputSoFar() : m_startError;
}

// The request's own Host and scheme go on, so the application builds its URLs and makes its
// Referer check for the front, not for itself.
std::string FormApp::proxyLocations() const
{
    return "    client_max_body_size 0;\n"
           "    location / {\n"
           "      proxy_pass http://127.0.0.1:" +
           std::to_string(m_port) +
           ";\n"
           "      proxy_set_header Host $http_host;\n"
           "      proxy_set_header X-Forwarded-Proto $scheme;\n"
           "    }\n";
}

} // namespace torvane::test

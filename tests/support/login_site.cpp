#include "support/login_site.h"

#include <sstream>

namespace torvane::test {

namespace {

const char* const kLoginPage =
    "<html><body><form action=\"/login\" method=\"post\">\n"
    "<input type=\"text\" name=\"user\">\n"
    "<input type=\"password\" name=\"password\">\n"
    "<input type=\"submit\" value=\"Log in\">\n"
    "</form></body></html>\n";

std::string page(const std::string& status, const std::string& body, const std::string& extra = {})
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\n" + extra +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string redirect(const std::string& where, const std::string& extra = {})
{
    return page("302 Found", "", "Location: " + where + "\r\n" + extra);
}

std::string decode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size()) {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::map<std::string, std::string> formValues(const std::string& body)
{
    std::map<std::string, std::string> values;
    std::istringstream in(body);
    for (std::string pair; std::getline(in, pair, '&');) {
        const size_t eq = pair.find('=');
        if (eq != std::string::npos)
            values.emplace(pair.substr(0, eq), decode(pair.substr(eq + 1)));
    }
    return values;
}

std::string cookieValue(const std::string& head, const std::string& name)
{
    const size_t line = head.find("\r\nCookie: ");
    if (line == std::string::npos)
        return {};
    const size_t end = head.find("\r\n", line + 2);
    const std::string cookies = head.substr(line + 10, end - line - 10);
    const size_t at = cookies.find(name + "=");
    if (at == std::string::npos)
        return {};
    const size_t stop = cookies.find(';', at);
    return cookies.substr(at + name.size() + 1, stop == std::string::npos ? std::string::npos : stop - at - name.size() - 1);
}

}  // namespace

void LoginSite::serveOn(ScriptedServer& server)
{
    server.respondWith([this](const std::string& request) { return answer(request); });
}

ScriptedServer::Reply LoginSite::answer(const std::string& request)
{
    std::lock_guard lock(m_mutex);
    const size_t headEnd = request.find("\r\n\r\n");
    const std::string head = request.substr(0, headEnd);
    const std::string body = headEnd == std::string::npos ? std::string() : request.substr(headEnd + 4);
    std::istringstream line(head.substr(0, head.find("\r\n")));
    std::string method, target;
    line >> method >> target;
    const auto session = m_sessions.find(cookieValue(head, "sid"));
    const bool inSession = session != m_sessions.end();

    ScriptedServer::Reply reply;
    if (target == "/login" && method == "POST") {
        const auto values = formValues(body);
        const auto user = values.find("user"), password = values.find("password");
        if (user == values.end() || password == values.end() || user->second != m_user ||
            password->second != m_password) {
            reply.bytes = page("200 OK", std::string("<p>Login incorrect</p>") + kLoginPage);
            return reply;
        }
        ++m_logins;
        const std::string sid = "s" + std::to_string(++m_serial);
        m_sessions[sid] = {"tok" + std::to_string(m_serial * 7919), 0};
        reply.bytes = redirect("/welcome", "Set-Cookie: sid=" + sid + "; path=/\r\n");
    } else if (target == "/login") {
        reply.bytes = page("200 OK", kLoginPage);
    } else if (!inSession) {
        if (target == "/orders" && method == "POST")
            ++m_refused;
        reply.bytes = redirect("/login");
    } else if (target == "/welcome") {
        reply.bytes = page("200 OK", "<p>Welcome, " + m_user + "</p>");
        if (!sessionsLast)
            m_sessions.erase(session);
    } else if (target == "/thanks") {
        reply.bytes = page("200 OK", "<p>Thank You!</p>");
    } else if (target == "/form") {
        reply.bytes = page("200 OK", "<form action=\"/orders\" method=\"post\">\n"
                                     "<input type=\"hidden\" name=\"csrf\" value=\"" +
                                         session->second.token +
                                         "\">\n<input type=\"text\" name=\"acct\">\n</form>\n");
    } else if (target == "/orders" && method == "POST") {
        const auto values = formValues(body);
        const auto token = values.find("csrf");
        if (token == values.end() || token->second != session->second.token) {
            ++m_refused;
            reply.bytes = page("403 Forbidden", "<p>Bad token</p>");
            return reply;
        }
        const auto acct = values.find("acct");
        m_accepted.push_back(acct == values.end() ? std::string() : acct->second);
        reply.bytes = thanksByRedirect ? redirect("/thanks") : page("200 OK", "<p>Thank You!</p>");
        if (expireAfter > 0 && ++session->second.records >= expireAfter)
            m_sessions.erase(session);
    } else {
        reply.bytes = page("404 Not Found", "");
    }
    return reply;
}

std::vector<std::string> LoginSite::accepted() const
{
    std::lock_guard lock(m_mutex);
    return m_accepted;
}

int LoginSite::logins() const
{
    std::lock_guard lock(m_mutex);
    return m_logins;
}

int LoginSite::refused() const
{
    std::lock_guard lock(m_mutex);
    return m_refused;
}

}  // namespace torvane::test

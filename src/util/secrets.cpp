#include "util/secrets.h"

#include "util/error.h"

#include <algorithm>
#include <cstdlib>

namespace torvane {

namespace {
bool isNameChar(char c, bool first)
{
    return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (!first && c >= '0' && c <= '9');
}
}  // namespace

std::optional<std::string> EnvironmentSecrets::secret(const std::string& name)
{
    if (const char* value = std::getenv(name.c_str()))
        return std::string(value);
    return std::nullopt;
}

EnvironmentSecrets& EnvironmentSecrets::instance()
{
    static EnvironmentSecrets source;
    return source;
}

std::optional<std::string> AskedSecrets::secret(const std::string& name)
{
    if (auto value = m_first.secret(name))
        return value;
    if (const auto it = m_answers.find(name); it != m_answers.end())
        return it->second;
    std::optional<std::string> answer = m_ask ? m_ask(name) : std::nullopt;
    if (answer)
        m_answers[name] = *answer;
    return answer;
}

std::string expandSecrets(const std::string& text, SecretSource& source, std::vector<std::string>& found)
{
    std::string out;
    size_t at = 0;
    while (true) {
        const size_t open = text.find("${", at);
        if (open == std::string::npos)
            break;
        size_t end = open + 2;
        while (end < text.size() && isNameChar(text[end], end == open + 2))
            ++end;
        // Anything but ${NAME} (no name, no closing brace) is plain text that happens to hold "${".
        if (end == open + 2 || end >= text.size() || text[end] != '}') {
            out.append(text, at, open + 2 - at);
            at = open + 2;
            continue;
        }
        const std::string name = text.substr(open + 2, end - open - 2);
        const std::optional<std::string> value = source.secret(name);
        if (!value)
            throw Error("Login Failed: " + name + " is not set");
        out.append(text, at, open - at);
        out += *value;
        found.push_back(*value);
        at = end + 1;
    }
    if (at == 0)
        return text;
    out.append(text, at, std::string::npos);
    return out;
}

std::string wholeSecretName(const std::string& text)
{
    if (text.size() < 4 || text.compare(0, 2, "${") != 0 || text.back() != '}')
        return {};
    for (size_t i = 2; i + 1 < text.size(); ++i)
        if (!isNameChar(text[i], i == 2))
            return {};
    return text.substr(2, text.size() - 3);
}

void Redactor::add(const std::string& text)
{
    if (text.empty() || std::find(m_texts.begin(), m_texts.end(), text) != m_texts.end())
        return;
    m_texts.push_back(text);
    std::stable_sort(m_texts.begin(), m_texts.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

std::string Redactor::apply(std::string text) const
{
    for (const std::string& secret : m_texts) {
        for (size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at)) {
            text.replace(at, secret.size(), kMaskedSecret);
            at += std::char_traits<char>::length(kMaskedSecret);
        }
    }
    return text;
}

}  // namespace torvane

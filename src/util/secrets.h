// Values written ${NAME} in a setting stand for a secret that is never stored: it is taken at run time
// from wherever the host keeps it (the environment, a password box), and every output masks it.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

inline constexpr const char* kMaskedSecret = "********";

// Where ${NAME} values come from.
class SecretSource {
public:
    virtual ~SecretSource() = default;
    // The value of NAME, or nothing when it is not to be had.
    virtual std::optional<std::string> secret(const std::string& name) = 0;
};

// The process environment.
class EnvironmentSecrets : public SecretSource {
public:
    std::optional<std::string> secret(const std::string& name) override;
    static EnvironmentSecrets& instance();
};

// The environment first; a name it lacks is asked for once, and the answer kept for the rest of the
// application run (an operator who cancels is asked again next time).
class AskedSecrets : public SecretSource {
public:
    using Ask = std::function<std::optional<std::string>(const std::string& name)>;
    explicit AskedSecrets(Ask ask, SecretSource& first = EnvironmentSecrets::instance())
        : m_ask(std::move(ask)), m_first(first) {}
    std::optional<std::string> secret(const std::string& name) override;

private:
    Ask m_ask;
    SecretSource& m_first;
    std::map<std::string, std::string> m_answers;
};

// Replaces each ${NAME} in text by its value from source, adding the values to found. Throws
// Error "Login Failed: NAME is not set" for a name the source has no value for. Text without
// "${" comes back unchanged.
std::string expandSecrets(const std::string& text, SecretSource& source, std::vector<std::string>& found);

// The NAME of a text that is exactly ${NAME}; empty for any other text (a setting that may hold only
// a secret, never the secret itself, is checked with it).
std::string wholeSecretName(const std::string& text);

// Masks every occurrence of the texts it holds; with none it changes nothing.
class Redactor {
public:
    // Empty texts are ignored; a text is masked in every form that is added for it.
    void add(const std::string& text);
    void clear() { m_texts.clear(); }
    bool empty() const { return m_texts.empty(); }
    std::string apply(std::string text) const;

private:
    std::vector<std::string> m_texts;  // longest first, so a longer form is masked before its part
};

}  // namespace torvane

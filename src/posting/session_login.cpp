#include "posting/session_login.h"

#include "http/form_encoding.h"
#include "http/posting_client.h"
#include "http/url.h"
#include "posting/record_fields.h"
#include "store/query.h"
#include "store/row_reader.h"
#include "store/statements.h"
#include "util/error.h"
#include "util/text.h"

namespace torvane {

namespace {

std::string placeOf(const std::string& url)
{
    try {
        return placeName(resolveUrl(url, Location{}));
    } catch (const Error&) {
        return {};
    }
}

std::string nameOf(const std::string& entry)
{
    return entry.substr(0, entry.find('='));
}

bool hasPassword(const LivePageForm& form)
{
    for (const PageInput& input : form.inputs)
        if (equalsIgnoreCaseAscii(input.type, "password"))
            return true;
    return false;
}

// The form that holds the first field of the login data, else the page's only form with a password
// input, else its first form; none on a page without forms.
const LivePageForm* chooseLoginForm(const std::vector<LivePageForm>& forms, const std::string& firstName)
{
    for (const LivePageForm& form : forms)
        if (!firstName.empty() && findPageInput(form.inputs, firstName))
            return &form;
    const LivePageForm* withPassword = nullptr;
    int passwordForms = 0;
    for (const LivePageForm& form : forms) {
        if (hasPassword(form)) {
            withPassword = &form;
            ++passwordForms;
        }
    }
    if (passwordForms == 1)
        return withPassword;
    return forms.empty() ? nullptr : &forms.front();
}

}  // namespace

SessionSettings SessionSettings::fromSettings(const RowReader& settings)
{
    SessionSettings s;
    s.loginUrl = settings.text("LoginURL");
    s.loginData = settings.text("LoginData");
    s.checkText = settings.text("LoginCheckText");
    s.formUrl = settings.text("FormURL");
    s.refreshHidden = settings.logical("RefreshHidden", false);
    return s;
}

void SessionLogin::prepare(const SessionSettings& settings, SecretSource& secrets, SessionContent content)
{
    m_settings = settings;
    m_content = std::move(content);
    m_loginReply = {};
    m_loginEntries.clear();
    m_firstLoginName.clear();
    m_inputs.clear();
    m_relogins = 0;
    if (!m_settings.logsIn())
        return;
    for (const std::string& raw : splitAddedText(m_settings.loginData)) {
        const std::string line = trimmedBlanks(raw);
        if (line.empty())
            continue;
        const size_t eq = line.find('=');
        std::vector<std::string> found;
        if (eq == std::string::npos) {
            m_loginEntries.push_back(line);
        } else {
            // Only the value may hold a secret; the name is what the login form calls it.
            m_loginEntries.push_back(line.substr(0, eq + 1) + expandSecrets(line.substr(eq + 1), secrets, found));
        }
        for (const std::string& secret : found) {
            for (const std::string& form : {secret, encodeFormValue(secret)}) {
                m_redactor.add(form);
            }
        }
        if (m_firstLoginName.empty())
            m_firstLoginName = nameOf(line);
    }
}

PostingRequest SessionLogin::request(HttpMethod method, const std::string& url, const std::string& tlsFor,
                                     const std::string& contentType) const
{
    PostingRequest r;
    r.method = method;
    r.url = url;
    r.contentType = contentType;
    r.cacheControl = "no-cache";
    r.tls = isHttpsUrl(tlsFor);
    return r;
}

std::string SessionLogin::logIn()
{
    const std::string& loginUrl = m_settings.loginUrl;
    LoginPost login{loginUrl, m_loginEntries, loginUrl};
    std::string note;
    try {
        const PostingReply page = m_client.send(request(HttpMethod::Get, loginUrl, loginUrl, m_content.login));
        login = loginPostFrom(page.body, page.url.empty() ? loginUrl : page.url);
    } catch (const RequestFailed& e) {
        if (e.status() == 0)
            throw;
        // Some login handlers answer a GET with an error and still take the POST.
        note = "The login page could not be read (" + std::string(e.what()) +
               "): the login data goes to LoginURL without the page's hidden inputs";
    }
    PostingRequest post = request(HttpMethod::Post, login.url, loginUrl, m_content.login);
    post.entries = std::move(login.entries);
    post.fromPage = std::move(login.fromPage);
    try {
        m_loginReply = m_client.send(post);
    } catch (const RequestFailed& e) {
        if (e.status() == 0)
            throw;
        throw Error("Login Failed: " + m_redactor.apply(e.what()));
    }
    const std::string& reply = m_loginReply.body;
    if (!m_settings.checkText.empty() && FindItem(m_settings.checkText, reply) == 0)
        throw Error("Login Failed: the reply to the login does not contain \"" + m_settings.checkText +
                    "\" (LoginCheckText): check LoginData and LoginURL");
    return note;
}

SessionLogin::LoginPost SessionLogin::loginPostFrom(const std::string& page, const std::string& pageUrl) const
{
    LoginPost login{m_settings.loginUrl, {}, pageUrl};
    const std::vector<LivePageForm> forms = readPageForms(page);
    const LivePageForm* form = chooseLoginForm(forms, m_firstLoginName);
    if (form && !form->action.empty()) {
        try {
            login.url = urlOf(resolveUrl(form->action, resolveUrl(pageUrl, Location{})));
        } catch (const Error&) {
            // An action that names no place: the login goes to the login URL, as without a form.
        }
    }
    auto given = [this](const std::string& name) {
        for (const std::string& entry : m_loginEntries)
            if (nameOf(entry) == name)
                return true;
        return false;
    };
    if (form) {
        for (const PageInput& input : form->inputs)
            if (equalsIgnoreCaseAscii(input.type, "hidden") && !input.name.empty() && !given(input.name))
                login.entries.push_back(input.name + "=" + input.value);
    }
    login.entries.insert(login.entries.end(), m_loginEntries.begin(), m_loginEntries.end());
    return login;
}

std::string SessionLogin::logInAgain()
{
    if (++m_relogins > kMaxRelogins)
        throw Error("Login Failed: Session Keeps Expiring");
    return logIn();
}

void SessionLogin::fetchFormPage()
{
    const std::string& formUrl = m_settings.formUrl;
    m_inputs = readPageInputs(m_client.send(request(HttpMethod::Get, formUrl, formUrl, m_content.page)).body);
}

int SessionLogin::refreshHidden(std::vector<std::string>& dataList, const std::vector<std::string>& hiddenNames) const
{
    int replaced = 0;
    for (std::string& entry : dataList) {
        const std::string name = nameOf(entry);
        bool hidden = false;
        for (const std::string& h : hiddenNames)
            hidden = hidden || h == name;
        if (!hidden)
            continue;
        if (const PageInput* input = findPageInput(m_inputs, name)) {
            entry = name + "=" + input->value;
            ++replaced;
        }
    }
    return replaced;
}

bool SessionLogin::expired(const PostingReply& reply, const std::string& recordUrl) const
{
    if (!m_settings.logsIn())
        return false;
    const std::string loginPlace = placeOf(m_settings.loginUrl);
    // A server that took the record and pointed to its answer had the session then, whatever page
    // that answer leads to later (a session that ends before the thank-you page is fetched sends it
    // to the login page too): only a record answered straight with the login page was refused.
    const std::string& answer = reply.answerPlace;
    if (!answer.empty())
        return answer == loginPlace && placeOf(recordUrl) != loginPlace;
    const std::string& place = reply.place;
    // A form that posts to the login page itself would always look expired: only a request that
    // ended somewhere else than it was sent counts.
    if (!place.empty() && place == loginPlace && placeOf(recordUrl) != loginPlace)
        return true;
    if (m_firstLoginName.empty() || FindItem("<INPUT", reply.body) == 0)
        return false;
    return findPageInput(readPageInputs(reply.body), m_firstLoginName) != nullptr;
}

bool SessionLogin::answerLost(const PostingReply& reply, const std::string& recordUrl) const
{
    if (!m_settings.logsIn())
        return false;
    const std::string loginPlace = placeOf(m_settings.loginUrl);
    const std::string& answer = reply.answerPlace;
    return !answer.empty() && answer != loginPlace && reply.place == loginPlace && placeOf(recordUrl) != loginPlace;
}

std::vector<std::string> hiddenFieldNames(Database& database)
{
    std::vector<std::string> names;
    Query fields(database);
    fields.open(selectFieldsInOrder());
    for (bool found = fields.findFirst(); found; found = fields.findNext()) {
        const FieldSettings field = GetFieldSettings(fields);
        if (field.Type == "HIDDEN")
            names.push_back(field.Name);
    }
    return names;
}

}  // namespace torvane

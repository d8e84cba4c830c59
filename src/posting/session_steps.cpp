// The engine's side of a session behind a login: when the login, the form page and a new login take
// place within a run, and what becomes of a record whose reply was the login page.
#include "posting/posting_engine.h"

#include "posting/network_settings.h"
#include "posting/run_settings_summary.h"

namespace torvane {

template <typename Step> void PostingEngine::sessionRequest(Step step)
{
    // Within a record the log is already on; before the first record it is on for the login alone.
    const bool logHere = DiagnosticsOn && !m_logOn;
    if (logHere)
        m_client.setTrafficLog(true);
    try {
        step();
    } catch (...) {
        if (logHere)
            m_client.setTrafficLog(false);
        throw;
    }
    if (logHere)
        m_client.setTrafficLog(false);
}

void PostingEngine::startSession()
{
    m_redactor.clear();
    m_tap.setRedactor(&m_redactor);
    m_client.setRedactor(&m_redactor);
    SecretSource& secrets = m_secrets ? *m_secrets : EnvironmentSecrets::instance();
    // The login body is always urlencoded: a multipart label (the record form's) would make the server
    // refuse it. The form page is asked for as the record is sent.
    const SessionContent content{SendsFiles ? std::string("application/x-www-form-urlencoded") : m_content, m_content};
    m_session.prepare(SessionSettings::fromSettings(m_data.SettingsTable), secrets, content);
    // The proxy variables are the process's own, as every program that honours them reads them.
    const NetworkOptions network = readNetworkOptions(m_data.SettingsTable, secrets, EnvironmentSecrets::instance());
    for (const std::string& secret : networkSecrets(network))
        m_redactor.add(secret);
    m_client.setNetwork(network);
    const SessionSettings& session = m_session.settings();
    // A form behind a login or taken from a live page is sent the way its browser sends it.
    m_formPage = session.formUrl.empty() && session.loginUrl.empty() ? std::string()
                 : session.formUrl.empty()                          ? m_url
                                                                    : session.formUrl;
    if (!session.logsIn())
        return;
    m_host.setStatusText("Logging In");
    m_host.processMessages();
    logInNow(false);
}

void PostingEngine::logInNow(bool again)
{
    std::string note;
    sessionRequest([this, again, &note] { note = again ? m_session.logInAgain() : m_session.logIn(); });
    if (!note.empty())
        m_host.memo1Add(note);
}

void PostingEngine::refreshHiddenValues()
{
    if (!m_session.settings().refreshes())
        return;
    sessionRequest([this] { m_session.fetchFormPage(); });
    m_session.refreshHidden(DataList, hiddenFieldNames(m_data.database()));
}

bool PostingEngine::deliverPastExpiry(int32_t recordNumber)
{
    // A post type that sends nothing gets no reply that could show anything.
    if (m_postType == PostType::None)
        return true;
    while (m_delivery && m_session.expired(m_reply, m_url)) {
        // The server answered with its login page: it did not take the record, so the row of this
        // attempt is closed as not sent and the record goes out once more in the new session.
        m_ledger.finishDelivery(m_delivery, DeliveryState::NotSent, m_reply.statusLine, "Session Expired");
        m_delivery = 0;
        m_host.memo1Clear();
        logInNow(true);
        refreshHiddenValues();
        if (!deliver(recordNumber))
            return false;
    }
    if (m_delivery && m_session.answerLost(m_reply, m_url)) {
        holdAnswerLost();
        return false;
    }
    return true;
}

void PostingEngine::holdAnswerLost()
{
    // Taken, but the session ended before its answer could be read: the record is held in doubt,
    // never sent again; the next record finds the login page and logs in anew.
    m_ledger.finishDelivery(m_delivery, DeliveryState::InDoubt, m_reply.statusLine, kAnswerLostReason);
    m_delivery = 0;
    if (m_deliveryHolds)
        ++m_summary.inDoubt;
    m_host.memo2Add((TrackKey.empty() ? std::string("Data May Have Been Sent: ")
                                      : "Data May Have Been Sent For " + TrackKey + ": ") +
                    kAnswerLostReason);
    recordDone(RecordOutcome::InDoubt);
}

}  // namespace torvane

// send: the application's start (first activation with its purge) followed by one posting run.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_host.h"

#include "http/http_session.h"
#include "posting/posting_engine.h"
#include "posting/progress_handlers.h"
#include "store/data_module.h"
#include "util/clock.h"
#include "util/error.h"

#include <exception>
#include <ostream>

namespace torvane {

namespace {

// The engine is built before the HTTP session, whose progress handlers read the engine's diagnostics
// flag; until then the engine's requests have nowhere to go, and none is made before it is set.
class ClientSlot : public PostingClient {
public:
    PostingClient* target = nullptr;
    void setCacheControl(const std::string& v) override { target->setCacheControl(v); }
    void setContentType(const std::string& v) override { target->setContentType(v); }
    void attachTlsTransport(bool attach) override { target->attachTlsTransport(attach); }
    void setTrafficLog(bool on) override { target->setTrafficLog(on); }
    std::string put(const std::string& url, const std::string& body) override { return target->put(url, body); }
    std::string post(const std::string& url, const std::vector<std::string>& entries) override
    {
        return target->post(url, entries);
    }
    std::string get(const std::string& url) override { return target->get(url); }
};

std::string currentErrorMessage()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

std::string summaryLine(const RunSummary& s)
{
    return "Records read: " + std::to_string(s.recordsRead) + ", accepted: " + std::to_string(s.accepted) +
           ", not confirmed: " + std::to_string(s.notConfirmed) +
           ", refused for missing fields: " + std::to_string(s.refused) +
           ", skipped as already sent: " + std::to_string(s.alreadySent);
}

}  // namespace

int runSend(const Args& argv, std::ostream& out, std::ostream& err)
{
    const CommandArgs args = parseCommandArgs("send", argv, {"--verbose"}, {"--pause"});
    if (args.help) {
        out << findCommand("send")->help;
        return kExitOk;
    }
    requirePositional("send", args, 0);
    uint16_t pause = 1;
    if (auto it = args.values.find("--pause"); it != args.values.end())
        pause = static_cast<uint16_t>(parseInteger(it->second, "--pause", 0, 65535));

    ConsoleHost console(out, err, args.has("--verbose"));
    TDataModule1 data;
    ClientSlot slot;
    PostingEngine engine(data, console, console, slot);
    ProgressHandlers handlers(console, engine.DiagnosticsOn);
    HttpSession session(handlers, SystemClock::instance(), [] {});
    handlers.setStatusLineSource([&session] { return session.lastStatusLine(); });
    slot.target = &session;
    engine.setPauseSeconds(pause);

    int status = kExitOk;
    try {
        engine.FormActivate();
        engine.runPosting();
        status = engine.lastOutcome() == RunOutcome::Completed ? kExitOk : kExitAborted;
    } catch (...) {
        // What the general error handler would show in its message box.
        writeLines(err, formatErrorMessage(currentErrorMessage()));
        status = kExitFailed;
    }
    err << summaryLine(engine.summary()) << '\n';
    return status;
}

}  // namespace torvane

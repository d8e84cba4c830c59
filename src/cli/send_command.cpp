// send: the application's start (first activation with its purge) followed by one posting run.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_host.h"

#include "posting/posting_station.h"
#include "store/data_module.h"
#include "store/run_lock.h"
#include "util/error.h"
#include "util/error_handler.h"

#include <ostream>

namespace torvane {

namespace {

std::string summaryLine(const RunSummary& s)
{
    return "Records read: " + std::to_string(s.recordsRead) + ", accepted: " + std::to_string(s.accepted) +
           ", not confirmed: " + std::to_string(s.notConfirmed) +
           ", refused for missing fields: " + std::to_string(s.refused) +
           ", skipped as already sent: " + std::to_string(s.alreadySent) + ", in doubt: " + std::to_string(s.inDoubt);
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
    PostingStation station(data, console, console);
    PostingEngine& engine = station.engine;
    engine.setPauseSeconds(pause);

    int status = kExitOk;
    try {
        engine.FormActivate();
        engine.runPosting();
        status = engine.lastOutcome() == RunOutcome::Completed ? kExitOk : kExitAborted;
    } catch (const StoreInUse& e) {
        // Nothing was read or sent: no summary, the message alone.
        err << e.what() << '\n';
        return kExitStoreInUse;
    } catch (...) {
        // What the general error handler would show in its message box.
        writeLines(err, formatErrorMessage(currentExceptionMessage()));
        status = kExitFailed;
    }
    err << summaryLine(engine.summary()) << '\n';
    return status;
}

}  // namespace torvane

// check: the data check over the store and export file of the working directory, sending nothing.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_host.h"

#include "posting/data_check.h"
#include "store/data_module.h"
#include "util/error_handler.h"

#include <limits>
#include <ostream>

namespace torvane {

int runCheck(const Args& argv, std::ostream& out, std::ostream& err)
{
    const CommandArgs args = parseCommandArgs("check", argv, {"--data"}, {"--limit"});
    if (args.help) {
        out << findCommand("check")->help;
        return kExitOk;
    }
    requirePositional("check", args, 0);
    CheckOptions options;
    options.showData = args.has("--data");
    if (auto it = args.values.find("--limit"); it != args.values.end())
        options.limit = parseInteger(it->second, "--limit", 0, std::numeric_limits<int32_t>::max());
    // This process only reads, so the whole check can stand on one snapshot of the store.
    options.snapshot = true;

    try {
        TDataModule1 data;
        // A request body goes out byte for byte; every other text is a line of the report.
        const CheckResult result = runDataCheck(data, [&out](const std::string& text) { out << text << '\n'; },
                                                options);
        out.flush();
        switch (result.verdict) {
        case CheckVerdict::Clean:
            return kExitOk;
        case CheckVerdict::ProblemsFound:
            return kExitDoneWithProblems;
        case CheckVerdict::RunWouldAbort:
            return kExitAborted;
        }
    } catch (...) {
        out.flush();
        writeLines(err, formatErrorMessage(currentExceptionMessage()));
    }
    return kExitFailed;
}

}  // namespace torvane

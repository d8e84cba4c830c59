// watch [OPTIONS] DIR: a posting run for every export file that appears in DIR, one at a time, holding
// the store's run lock for the whole watch. Each file goes to done/ or failed/ with its outputs beside it.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/companion_run.h"
#include "cli/console_host.h"
#include "cli/stop_signals.h"
#include "cli/watched_folder.h"

#include "store/data_module.h"
#include "store/run_lock.h"
#include "store/tracked_fields.h"
#include "util/error_handler.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace torvane {

namespace fs = std::filesystem;

namespace {

constexpr int64_t kLongestIdleWaitMs = 5000;  // a writer's close is not always seen: look again now and then

int64_t wallMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The watch's exit status: the worst run's, in the order 1, 2, 3, 0.
int worse(int a, int b)
{
    auto rank = [](int s) { return s == kExitFailed ? 3 : s == kExitAborted ? 2 : s == kExitDoneWithProblems ? 1 : 0; };
    return rank(b) > rank(a) ? b : a;
}

// Why a watch may not start without tracking, or nothing.
std::string untrackedReason(TDataModule1& data)
{
    TableView& s = data.SettingsTable;
    if (!s.logical("TrackSent", false))
        return "watch: tracking is off (TrackSent), so a file handed in twice would be sent twice; "
               "turn it on or give --allow-untracked";
    for (const char* f : kFieldToTrackSettings)
        if (!s.text(f).empty())
            return {};
    return "watch: tracking names no field (FieldToTrack1 to FieldToTrack4), so a file handed in twice would be "
           "sent twice; name one or give --allow-untracked";
}

// Waits for a change in the folder, a signal or timeoutMs.
void waitForChange(int inotify, int64_t timeoutMs)
{
    pollfd p{inotify, POLLIN, 0};
    if (::poll(&p, 1, int(std::clamp<int64_t>(timeoutMs, 50, kLongestIdleWaitMs))) > 0) {
        char events[4096];
        while (::read(inotify, events, sizeof events) > 0) {
        }
    }
}

class Watch {
public:
    Watch(WatchedFolder& folder, CompanionRun& run, std::ostream& err) : m_folder(folder), m_run(run), m_err(err) {}
    // One file: its run, then it and its outputs moved. Returns the run's exit status.
    int handle(const std::string& name);

private:
    void place(const std::string& name, const RunOutputs& work, RunEnd& end);

    WatchedFolder& m_folder;
    CompanionRun& m_run;
    std::ostream& m_err;
};

int Watch::handle(const std::string& name)
{
    // The outputs are made as hidden files, never taken, and moved beside the file once it has its place.
    const std::string hidden = m_folder.path("." + name);
    const RunOutputs work{m_folder.path(name), hidden + ".results.csv", hidden + ".rejects", hidden + ".report.html"};
    m_err << "Posting " << work.exportFile << '\n';
    RunEnd end = m_run.run(work, m_err);
    if (StopSignals::received() != 0) {
        // The file stays for the next watch; tracking and the ledger know what was done.
        std::error_code ec;
        for (const std::string& p : {work.results, work.rejects, work.report})
            fs::remove(p, ec);
        end.finished.results.clear();
        end.finished.rejects.clear();
        end.finished.report.clear();
        m_run.notify(end, m_err);
        return end.status;
    }
    place(name, work, end);
    m_run.notify(end, m_err);
    return end.status;
}

void Watch::place(const std::string& name, const RunOutputs& work, RunEnd& end)
{
    const std::string target = m_folder.destination(name, end.status);
    std::error_code ec;
    FinishedRun& f = end.finished;
    auto move = [&](const std::string& from, const std::string& to, std::string& told) {
        if (from.empty() || !fs::exists(from, ec))
            return;
        fs::rename(from, to, ec);
        if (ec) {
            m_err << "torvane-cli: cannot move '" << from << "' to '" << to << "': " << ec.message() << '\n';
            m_folder.skip(name);
            return;
        }
        told = to;
    };
    f.exportFile.clear();
    move(work.exportFile, target, f.exportFile);
    move(work.results, target + ".results.csv", f.results);
    move(f.rejects, target + ".rejects", f.rejects);
    move(f.report, target + ".report.html", f.report);
    std::error_code ignored;
    fs::remove(work.rejects, ignored);  // an empty one, if it was left
    m_err << name << " -> " << target << '\n';
}

int watchLoop(WatchedFolder& folder, CompanionRun& run, int64_t settleMs, bool once, std::ostream& err)
{
    const int inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotify < 0 || ::inotify_add_watch(inotify, folder.dir().c_str(),
                                           IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB) < 0)
        err << "torvane-cli: watch: no inotify for '" << folder.dir() << "', looking every few seconds\n";
    Watch watch(folder, run, err);
    const int64_t deadline = wallMs() + settleMs;
    int status = kExitOk;
    while (StopSignals::received() == 0) {
        if (const std::optional<std::string> name = folder.take(wallMs())) {
            status = worse(status, watch.handle(*name));
            continue;
        }
        if (once && wallMs() >= deadline)
            break;
        const int64_t settle = folder.msUntilNextSettle(wallMs());
        const int64_t wait = once ? std::min(deadline - wallMs(), settle < 0 ? kLongestIdleWaitMs : settle)
                                  : (settle < 0 ? kLongestIdleWaitMs : settle);
        if (inotify >= 0)
            waitForChange(inotify, wait);
        else
            ::usleep(useconds_t(std::clamp<int64_t>(wait, 50, kLongestIdleWaitMs)) * 1000);
    }
    if (inotify >= 0)
        ::close(inotify);
    return StopSignals::received() != 0 ? kExitSignalBase + StopSignals::received() : status;
}

}  // namespace

int runWatch(const Args& argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> valueOptions = RunOptions::valueOptions();
    valueOptions.push_back("--settle");
    const CommandArgs args = parseCommandArgs("watch", argv, {"--verbose", "--once", "--allow-untracked"}, valueOptions);
    if (args.help) {
        out << findCommand("watch")->help;
        return kExitOk;
    }
    requirePositional("watch", args, 1);
    const RunOptions options = RunOptions::read(args);
    int64_t settleMs = 5000;
    if (auto it = args.values.find("--settle"); it != args.values.end())
        settleMs = int64_t(parseInteger(it->second, "--settle", 0, 86400)) * 1000;
    const std::string dir = fs::absolute(args.positional[0]).lexically_normal().string();

    ConsoleHost console(out, err, options.verbose);
    TDataModule1 data;
    std::unique_ptr<RunLock> lock;
    try {
        lock = std::make_unique<RunLock>(data.database().path());
    } catch (const StoreInUse& e) {
        err << e.what() << '\n';
        return kExitStoreInUse;
    }
    if (const std::string reason = untrackedReason(data); !reason.empty() && !args.has("--allow-untracked")) {
        err << reason << '\n';
        return kExitAborted;
    }
    WatchedFolder folder(dir, settleMs);
    const std::string store = data.database().path();
    for (const std::string& path : {store, store + "-wal", store + "-shm", store + "-journal", RunLock::lockPath(store)})
        folder.ignore(path);
    StopSignals signals;
    CompanionRun run(data, console, options, true);
    try {
        run.activate();
    } catch (...) {
        writeLines(err, formatErrorMessage(currentExceptionMessage()));
        return kExitFailed;
    }
    return watchLoop(folder, run, settleMs, args.has("--once"), err);
}

}  // namespace torvane

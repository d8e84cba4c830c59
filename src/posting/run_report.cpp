#include "posting/run_report.h"

#include "posting/run_observer.h"
#include "util/error.h"
#include "util/utf8_output.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace torvane {

namespace {

// Upper edges of the response-time buckets: a spread of a few milliseconds to half a minute.
const std::vector<int64_t> kBucketEdgesMs{10, 25, 50, 100, 250, 500, 1000, 2500, 5000, 10000, 30000};
const std::vector<std::string> kGroupOrder{outcomeName(RecordOutcome::Refused), outcomeName(RecordOutcome::NotConfirmed),
                                           outcomeName(RecordOutcome::InDoubt), outcomeName(RecordOutcome::Failed)};

// What became of a record, from the last ledger row of its line.
std::string outcomeOf(const std::string& state)
{
    if (state == deliveryStateName(DeliveryState::Sending))
        return outcomeName(RecordOutcome::InDoubt);  // its run died while the request was out
    if (state == deliveryStateName(DeliveryState::NotSent))
        return outcomeName(RecordOutcome::Failed);  // failed before it was written, tries used up
    return state;
}

std::string reasonOf(const DeliveryRecord& row, const std::string& outcomeName)
{
    std::string message = row.message.substr(0, row.message.find_first_of("\r\n"));
    if (outcomeName == torvane::outcomeName(RecordOutcome::NotConfirmed))
        return (row.statusLine.empty() ? std::string("Reply") : row.statusLine) + " without the confirmation text";
    if (!message.empty())
        return message;
    if (!row.statusLine.empty())
        return row.statusLine;
    return outcomeName == torvane::outcomeName(RecordOutcome::InDoubt) ? "Cut off before the server's answer" : "No reason recorded";
}

std::vector<std::pair<std::string, std::string>> settingsLines(const std::string& text, const Utf8Output& utf8)
{
    std::vector<std::pair<std::string, std::string>> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t colon = line.find(": ");
        if (colon != std::string::npos)
            out.emplace_back(line.substr(0, colon), utf8(line.substr(colon + 2)));
        start = end + 1;
    }
    return out;
}

void addTimes(RunReport& report, const std::vector<DeliveryRecord>& finals, const Utf8Output& text)
{
    std::vector<int64_t> times;
    std::vector<ReportRecord> timed;
    int64_t lastMs = 0;
    for (const DeliveryRecord& r : finals) {
        if (r.replyMs >= 0)
            lastMs = std::max(lastMs, r.replyMs);
        if (r.requestMs < 0 || r.replyMs < r.requestMs)
            continue;
        times.push_back(r.replyMs - r.requestMs);
        timed.push_back({r.line, r.record, text(r.key), r.replyMs - r.requestMs});
    }
    report.timed = int64_t(times.size());
    report.bucketEdgesMs = kBucketEdgesMs;
    report.bucketCounts.assign(kBucketEdgesMs.size() + 1, 0);
    for (int64_t ms : times)
        ++report.bucketCounts[size_t(std::upper_bound(kBucketEdgesMs.begin(), kBucketEdgesMs.end(), ms - 1) -
                                     kBucketEdgesMs.begin())];
    std::sort(times.begin(), times.end());
    report.medianMs = percentile(times, 0.5);
    report.p90Ms = percentile(times, 0.9);
    report.p99Ms = percentile(times, 0.99);
    report.maxMs = times.empty() ? 0 : times.back();
    const size_t shown = std::min(kSlowestShown, timed.size());
    std::partial_sort(timed.begin(), timed.begin() + std::ptrdiff_t(shown), timed.end(),
                      [](const ReportRecord& a, const ReportRecord& b) { return a.ms > b.ms; });
    report.slowest.assign(timed.begin(), timed.begin() + std::ptrdiff_t(shown));

    const int64_t minutes = lastMs / 60000 + 1;
    report.stepMinutes = std::max<int64_t>(1, (minutes + int64_t(kMaxSteps) - 1) / int64_t(kMaxSteps));
    report.perStep.assign(size_t((minutes + report.stepMinutes - 1) / report.stepMinutes), 0);
    for (const DeliveryRecord& r : finals)
        if (r.replyMs >= 0)
            ++report.perStep[size_t(r.replyMs / 60000 / report.stepMinutes)];
}

void addGroups(RunReport& report, const std::vector<DeliveryRecord>& finals, const Utf8Output& text)
{
    std::map<std::pair<std::string, std::string>, ReportGroup> groups;
    for (const DeliveryRecord& r : finals) {
        const std::string name = outcomeOf(r.state);
        if (std::find(kGroupOrder.begin(), kGroupOrder.end(), name) == kGroupOrder.end())
            continue;
        const std::string reason = text(reasonOf(r, name));
        ReportGroup& g = groups[{name, reason}];
        g.outcome = name;
        g.reason = reason;
        ++g.total;
        if (g.records.size() < ReportGroup::kListed)
            g.records.push_back({r.line, r.record, text(r.key),
                                 r.requestMs >= 0 && r.replyMs >= r.requestMs ? r.replyMs - r.requestMs : -1});
    }
    for (const std::string& name : kGroupOrder) {
        std::vector<ReportGroup> of;
        for (auto& [k, g] : groups)
            if (g.outcome == name)
                of.push_back(std::move(g));
        std::stable_sort(of.begin(), of.end(), [](const ReportGroup& a, const ReportGroup& b) { return a.total > b.total; });
        // Reasons that name each record apart would make a page as long as the run: past the largest
        // groups, the rest share one.
        if (of.size() > ReportGroup::kGroupsPerOutcome) {
            ReportGroup rest{name, std::to_string(of.size() - ReportGroup::kGroupsPerOutcome + 1) + " other reasons", 0, {}};
            for (size_t i = ReportGroup::kGroupsPerOutcome - 1; i < of.size(); ++i) {
                rest.total += of[i].total;
                for (ReportRecord& rec : of[i].records)
                    if (rest.records.size() < ReportGroup::kListed)
                        rest.records.push_back(std::move(rec));
            }
            of.resize(ReportGroup::kGroupsPerOutcome - 1);
            of.push_back(std::move(rest));
        }
        for (ReportGroup& g : of)
            report.groups.push_back(std::move(g));
    }
}

}  // namespace

int64_t percentile(const std::vector<int64_t>& sorted, double q)
{
    if (sorted.empty())
        return 0;
    const size_t rank = size_t(std::ceil(q * double(sorted.size())));
    return sorted[std::min(sorted.size(), std::max<size_t>(rank, 1)) - 1];
}

RunReport buildRunReport(const RunRecord& run, const std::vector<DeliveryRecord>& rows, const Utf8Output& text)
{
    RunReport report;
    report.run = run;
    report.settings = settingsLines(run.settings, text);
    const RunSummary& c = run.counts;
    const int64_t sent = std::max<int64_t>(0, int64_t(c.recordsRead) - c.accepted - c.notConfirmed - c.refused -
                                                  c.alreadySent - c.inDoubt - c.failed);
    report.counts = {{outcomeName(RecordOutcome::Accepted), c.accepted},
                     {outcomeName(RecordOutcome::Sent), sent},
                     {outcomeName(RecordOutcome::NotConfirmed), c.notConfirmed},
                     {outcomeName(RecordOutcome::Refused), c.refused},
                     {outcomeName(RecordOutcome::AlreadySent), c.alreadySent},
                     {outcomeName(RecordOutcome::InDoubt), c.inDoubt},
                     {outcomeName(RecordOutcome::Failed), c.failed}};
    // A record tried more than once has a row per try; its last row says what became of it.
    std::vector<DeliveryRecord> finals(rows);
    std::stable_sort(finals.begin(), finals.end(), [](const DeliveryRecord& a, const DeliveryRecord& b) {
        return a.line != b.line ? a.line < b.line : a.id < b.id;
    });
    std::vector<DeliveryRecord> last;
    last.reserve(finals.size());
    for (DeliveryRecord& r : finals) {
        if (!last.empty() && last.back().line == r.line)
            last.back() = std::move(r);
        else
            last.push_back(std::move(r));
    }
    addTimes(report, last, text);
    addGroups(report, last, text);
    return report;
}

RunReport loadRunReport(DeliveryLedger& ledger, int64_t number, const Utf8Output& text)
{
    const std::optional<RunRecord> run = ledger.run(number);
    if (!run)
        throw Error(number == 0 ? std::string("No posting run in the history yet")
                                : "No run " + std::to_string(number) + " in the history");
    return buildRunReport(*run, ledger.deliveriesOf(run->run), text);
}

}  // namespace torvane

#include "posting/run_settings_summary.h"

#include "util/text.h"

namespace torvane {

std::string urlWithoutCredentials(const std::string& url)
{
    const size_t scheme = url.find("://");
    const size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    const size_t hostEnd = url.find_first_of("/?#", hostStart);
    const size_t at = url.rfind('@', hostEnd == std::string::npos ? std::string::npos : hostEnd);
    if (at == std::string::npos || at < hostStart)
        return url;
    return url.substr(0, hostStart) + url.substr(at + 1);
}

std::string runSettingsSummary(const RunSettings& run, const std::string& exportPath, const DeliveryPolicy& policy,
                               uint16_t pauseSeconds)
{
    std::string tracked = run.fieldToTrack1;
    for (const std::string* f : {&run.fieldToTrack2, &run.fieldToTrack3, &run.fieldToTrack4})
        if (!f->empty())
            tracked += (tracked.empty() ? "" : ", ") + *f;
    auto line = [](const char* name, const std::string& value) { return std::string(name) + ": " + value + "\n"; };
    return line("Export file", exportPath) + line("URL", urlWithoutCredentials(run.url)) +
           line("Method", run.postType) + line("Content type", run.content) +
           line("Tracking", run.trackSent ? "on (" + tracked + ")" : std::string("off")) +
           line("Pause", std::to_string(pauseSeconds) + " s") +
           line("Retries", std::to_string(policy.retryCount) + ", first after " +
                               std::to_string(policy.retryWaitSeconds) + " s") +
           line("Errors allowed", std::to_string(policy.maxErrors)) +
           line("Rate", policy.minIntervalMs > 0 ? std::to_string(60000 / policy.minIntervalMs) + " a minute"
                                                 : std::string("no limit"));
}

std::string unsentReason(const std::vector<std::string>& messages)
{
    static const std::string kSuffix = " Required";
    std::string fields;
    for (size_t i = 1; i < messages.size(); ++i) {
        for (const std::string& piece : splitAddedText(messages[i])) {
            std::string text = piece;
            TrimBlanks(text);
            if (text.size() > kSuffix.size() && text.compare(text.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0)
                fields += (fields.empty() ? "" : ", ") + text.substr(0, text.size() - kSuffix.size());
        }
    }
    if (!fields.empty())
        return "Missing required fields: " + fields;
    return messages.empty() ? std::string() : messages.front();
}

}  // namespace torvane

#include "posting/results_file.h"

#include "util/dates.h"
#include "util/error.h"
#include "util/text.h"

#include <nlohmann/json.hpp>

namespace torvane {

namespace {

std::string joinedMessages(const RecordResult& result)
{
    std::string text;
    for (const std::string& line : result.messages)
        text += (text.empty() ? "" : " / ") + line;
    return text;
}

}  // namespace

std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::optional<ResultsFile::Format> ResultsFile::formatOf(const std::string& path)
{
    // A name that is only the extension names no file.
    auto endsWith = [&path](std::string_view suffix) {
        return path.size() > suffix.size() && endsWithIgnoreCaseAscii(path, suffix);
    };
    if (endsWith(".csv"))
        return Format::Csv;
    if (endsWith(".jsonl"))
        return Format::JsonLines;
    return std::nullopt;
}

ResultsFile::ResultsFile(const std::string& path, Format format, Utf8Output text)
    : m_file(path), m_format(format), m_text(std::move(text))
{
    if (m_format == Format::Csv)
        m_file.put("line,record,key,outcome,status,message,time\r\n");
}

std::string ResultsFile::row(const RecordResult& r, const std::string& time) const
{
    const std::string key = m_text(r.key);
    const std::string status = m_text(r.status);
    const std::string message = m_text(joinedMessages(r));
    if (m_format == Format::Csv)
        return std::to_string(r.line) + "," + std::to_string(r.record) + "," + csvField(key) + "," +
               csvField(outcomeName(r.outcome)) + "," + csvField(status) + "," + csvField(message) + "," + time + "\r\n";
    const nlohmann::ordered_json object{{"line", r.line},     {"record", r.record},   {"key", key},
                                        {"outcome", outcomeName(r.outcome)}, {"status", status}, {"message", message},
                                        {"time", time}};
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

void ResultsFile::write(const RecordResult& result)
{
    m_file.put(row(result, localTimestamp()));
}

}  // namespace torvane

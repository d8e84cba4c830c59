#include "posting/run_report_html.h"

#include "posting/run_observer.h"
#include "util/flushed_file.h"
#include "util/product_info.h"

#include <algorithm>

namespace torvane {

namespace {

const char* const kStyle =
    "body{font-family:sans-serif;margin:24px;color:#222;max-width:1000px}"
    "h1{font-size:22px;margin-bottom:4px}h2{font-size:17px;border-bottom:1px solid #ccc;margin-top:28px}"
    "h3{font-size:14px;margin:16px 0 4px}table{border-collapse:collapse;font-size:13px}"
    "td,th{border:1px solid #ddd;padding:3px 8px;text-align:left}th{background:#f3f3f3}"
    "td.n,th.n{text-align:right}.muted{color:#666;font-size:13px}svg text{font-family:sans-serif;font-size:11px}"
    ".figures span{display:inline-block;margin-right:24px}"
    "@media print{body{margin:0}h2{page-break-after:avoid}}";

std::string colourOf(const std::string& name)
{
    const std::pair<RecordOutcome, const char*> colours[] = {
        {RecordOutcome::Accepted, "#2e7d32"}, {RecordOutcome::Sent, "#66bb6a"},
        {RecordOutcome::NotConfirmed, "#f9a825"}, {RecordOutcome::Refused, "#8d6e63"},
        {RecordOutcome::AlreadySent, "#90a4ae"}, {RecordOutcome::InDoubt, "#7e57c2"}};
    for (const auto& [outcome, colour] : colours)
        if (name == outcomeName(outcome))
            return colour;
    return "#c62828";
}

std::string msText(int64_t ms)
{
    if (ms < 1000)
        return std::to_string(ms) + " ms";
    return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
}

std::string num(int64_t n)
{
    return std::to_string(n);
}

// Horizontal bars, one per outcome, with the count at the end of each.
std::string countsChart(const RunReport& r)
{
    int64_t most = 1;
    for (const auto& [name, n] : r.counts)
        most = std::max(most, n);
    const int rowH = 24, labelW = 110, barW = 520;
    std::string svg = "<svg role=\"img\" aria-label=\"Records by outcome\" width=\"" + num(labelW + barW + 80) +
                      "\" height=\"" + num(rowH * int(r.counts.size()) + 4) + "\">";
    int y = 2;
    for (const auto& [name, n] : r.counts) {
        const int64_t w = n == 0 ? 0 : std::max<int64_t>(2, n * barW / most);
        svg += "<text x=\"" + num(labelW - 6) + "\" y=\"" + num(y + 16) + "\" text-anchor=\"end\">" + name +
               "</text><rect x=\"" + num(labelW) + "\" y=\"" + num(y + 3) + "\" width=\"" + num(w) +
               "\" height=\"" + num(rowH - 6) + "\" fill=\"" + colourOf(name) + "\"/><text x=\"" +
               num(labelW + w + 6) + "\" y=\"" + num(y + 16) + "\">" + num(n) + "</text>";
        y += rowH;
    }
    return svg + "</svg>";
}

// Vertical bars over a run of values, labelled below with labels (which may be sparse).
std::string columnChart(const std::string& title, const std::vector<int64_t>& values,
                        const std::vector<std::string>& labels, const std::string& colour)
{
    const int width = 720, height = 220, left = 50, bottom = 30, top = 10;
    const int plotW = width - left - 10, plotH = height - bottom - top;
    const int64_t most = std::max<int64_t>(1, values.empty() ? 1 : *std::max_element(values.begin(), values.end()));
    std::string svg = "<svg role=\"img\" aria-label=\"" + htmlEscape(title) + "\" width=\"" + num(width) +
                      "\" height=\"" + num(height) + "\"><line x1=\"" + num(left) + "\" y1=\"" + num(top + plotH) +
                      "\" x2=\"" + num(left + plotW) + "\" y2=\"" + num(top + plotH) + "\" stroke=\"#999\"/>" +
                      "<text x=\"" + num(left - 4) + "\" y=\"" + num(top + 10) + "\" text-anchor=\"end\">" + num(most) +
                      "</text><text x=\"" + num(left - 4) + "\" y=\"" + num(top + plotH) +
                      "\" text-anchor=\"end\">0</text>";
    const size_t n = std::max<size_t>(1, values.size());
    // Few bars stay narrow, so one minute's bar does not fill the whole chart.
    const double step = std::min(double(plotW) / double(n), 60.0);
    for (size_t i = 0; i < values.size(); ++i) {
        const int64_t h = values[i] * plotH / most;
        const double x = left + step * double(i);
        if (h > 0)
            svg += "<rect x=\"" + std::to_string(int(x)) + "\" y=\"" + num(top + plotH - h) + "\" width=\"" +
                   std::to_string(std::max(1, int(step) - 1)) + "\" height=\"" + num(h) + "\" fill=\"" + colour + "\"/>";
        if (i < labels.size() && !labels[i].empty())
            svg += "<text x=\"" + std::to_string(int(x + step / 2)) + "\" y=\"" + num(height - 12) +
                   "\" text-anchor=\"middle\">" + htmlEscape(labels[i]) + "</text>";
    }
    return svg + "</svg>";
}

std::string histogramChart(const RunReport& r)
{
    std::vector<std::string> labels;
    for (int64_t edge : r.bucketEdgesMs)
        labels.push_back("\u2264" + msText(edge));
    labels.push_back(">" + msText(r.bucketEdgesMs.empty() ? 0 : r.bucketEdgesMs.back()));
    return columnChart("Response times", r.bucketCounts, labels, "#1565c0");
}

std::string perStepChart(const RunReport& r)
{
    std::vector<std::string> labels(r.perStep.size());
    const size_t every = std::max<size_t>(1, r.perStep.size() / 10);
    for (size_t i = 0; i < labels.size(); i += every)
        labels[i] = num(int64_t(i) * r.stepMinutes) + " min";
    return columnChart("Records per minute", r.perStep, labels, "#00897b");
}

std::string recordRows(const std::vector<ReportRecord>& records, bool withTime)
{
    std::string rows;
    for (const ReportRecord& rec : records) {
        rows += "<tr><td class=\"n\">" + num(rec.line) + "</td><td class=\"n\">" + num(rec.record) + "</td><td>" +
                htmlEscape(rec.key) + "</td>";
        if (withTime)
            rows += "<td class=\"n\">" + (rec.ms >= 0 ? msText(rec.ms) : std::string()) + "</td>";
        rows += "</tr>";
    }
    return rows;
}

std::string headerSection(const RunReport& r)
{
    const RunRecord& run = r.run;
    std::string html = "<h1>Run " + num(run.run) + ": " + htmlEscape(run.outcome) + "</h1><p class=\"muted\">" +
                       htmlEscape(run.started) + " to " + htmlEscape(run.ended.empty() ? "-" : run.ended) + ", " +
                       num(run.counts.recordsRead) + " records read</p><h2>Settings</h2>";
    if (r.settings.empty())
        return html + "<p class=\"muted\">Not kept for this run.</p>";
    html += "<table>";
    for (const auto& [name, value] : r.settings)
        html += "<tr><th>" + htmlEscape(name) + "</th><td>" + htmlEscape(value) + "</td></tr>";
    return html + "</table>";
}

std::string timesSection(const RunReport& r)
{
    std::string html = "<h2>Response times</h2>";
    if (r.timed == 0)
        return html + "<p class=\"muted\">No request of this run has a response time.</p>";
    html += "<p class=\"figures\"><span>Median <b>" + msText(r.medianMs) + "</b></span><span>90th percentile <b>" +
            msText(r.p90Ms) + "</b></span><span>99th percentile <b>" + msText(r.p99Ms) +
            "</b></span><span>Slowest <b>" + msText(r.maxMs) + "</b></span><span>" + num(r.timed) +
            " requests</span></p>" + histogramChart(r) + "<h3>Slowest records</h3>" +
            "<table><tr><th class=\"n\">Line</th><th class=\"n\">Record</th><th>Key</th><th class=\"n\">Time</th></tr>" +
            recordRows(r.slowest, true) + "</table><h2>Records per minute</h2>" + perStepChart(r);
    if (r.stepMinutes > 1)
        html += "<p class=\"muted\">Each bar counts " + num(r.stepMinutes) + " minutes.</p>";
    return html;
}

std::string groupsSection(const RunReport& r)
{
    std::string html = "<h2>Records not taken for certain</h2>";
    if (r.groups.empty())
        return html + "<p class=\"muted\">None.</p>";
    for (const ReportGroup& g : r.groups) {
        html += "<h3><span style=\"color:" + colourOf(g.outcome) + "\">" + htmlEscape(g.outcome) + "</span>: " +
                htmlEscape(g.reason) + " <span class=\"muted\">(" + num(g.total) + ")</span></h3>" +
                "<table class=\"group\" data-outcome=\"" + htmlEscape(g.outcome) + "\" data-total=\"" + num(g.total) +
                "\"><tr><th class=\"n\">Line</th><th class=\"n\">Record</th><th>Key</th></tr>" +
                recordRows(g.records, false) + "</table>";
        if (g.total > int64_t(g.records.size()))
            html += "<p class=\"muted\">and " + num(g.total - int64_t(g.records.size())) +
                    " more: see the run's results file.</p>";
    }
    return html;
}

}  // namespace

std::string htmlEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string runReportHtml(const RunReport& r)
{
    return std::string("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>") + kProductName +
           " run " + num(r.run.run) + "</title><style>" + kStyle + "</style></head><body>" + headerSection(r) +
           "<h2>Records</h2>" + countsChart(r) + timesSection(r) + groupsSection(r) +
           "</body></html>\n";
}

void writeRunReportHtml(const std::string& path, const RunReport& report)
{
    FlushedFile file(path);
    file.put(runReportHtml(report));
    file.close();
}

}  // namespace torvane

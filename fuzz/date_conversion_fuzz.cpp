// Dates typed or stored as text: the short date formats, ISO text and the translation of a locale's
// strftime format. A date read back from its own short form must be the same day.
#include "fuzz_check.h"

#include "util/dates.h"

#include <string>

namespace {

using torvane::fuzz::check;

struct Pattern {
    const char* text;
    bool fourDigitYear;  // the shown form reads back as the same year
};
const Pattern kPatterns[] = {
    {"MM/dd/yyyy", true}, {"dd.MM.yyyy", true}, {"d/M/yyyy", true},
    {"yyyy-MM-dd", true}, {"M/d/yy", false},    {"dd-MM-yy", false},
};

std::string shown(const torvane::Date& d)
{
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const Pattern& pattern = kPatterns[data[0] % (sizeof(kPatterns) / sizeof(kPatterns[0]))];
    const std::vector<std::string> lines =
        torvane::fuzz::splitLines(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

    torvane::setShortDateFormat(pattern.text);
    for (const std::string& text : lines) {
        if (const auto iso = torvane::fromIsoText(text)) {
            check(torvane::isValidDate(iso->year, iso->month, iso->day), "ISO text gave no date: " + text);
            check(torvane::toIsoText(*iso) == text, "ISO text does not read back: " + text);
        }
        const auto d = torvane::parseShortDate(text);
        if (!d)
            continue;
        check(torvane::isValidDate(d->year, d->month, d->day), "parsed an impossible date from " + text);
        const std::string again = torvane::formatShortDate(*d);
        const auto back = torvane::parseShortDate(again);
        check(back.has_value(), std::string(pattern.text) + ": '" + again + "' does not read back");
        if (pattern.fourDigitYear)
            check(*back == *d, std::string(pattern.text) + ": " + shown(*d) + " read back as " + shown(*back));
        if (d->year >= 100 && d->year <= 9900) {
            const int days = static_cast<int>(text.size() * 977 % 60001) - 30000;  // within 90 years
            const torvane::Date later = torvane::addDays(*d, days);
            check(torvane::isValidDate(later.year, later.month, later.day), "addDays left the calendar");
            check(torvane::addDays(later, -days) == *d, "addDays does not undo itself from " + shown(*d));
        }
    }

    // The first line taken as a locale's strftime format: whatever pattern it gives must parse safely.
    const std::string translated = torvane::patternFromStrftime(lines.empty() ? std::string() : lines[0]);
    if (!translated.empty()) {
        torvane::setShortDateFormat(translated);
        for (size_t i = 1; i < lines.size(); ++i)
            if (const auto d = torvane::parseShortDate(lines[i]))
                check(torvane::isValidDate(d->year, d->month, d->day), "parsed an impossible date");
        (void)torvane::formatShortDate(torvane::Date{2024, 2, 29});
    }
    torvane::setShortDateFormat("MM/dd/yyyy");
    return 0;
}

#include "posting/settings_check.h"

#include "posting/network_settings.h"
#include "posting/record_fields.h"
#include "posting/run_settings.h"
#include "posting/value_pattern.h"
#include "store/data_module.h"
#include "store/statements.h"

#include <set>

namespace torvane {

namespace {

const char* const kFormats[] = {"YYYYMMDD To MM/DD/YY", "HHMM To HH:MM", "HHMM To HH:MM AM/PM"};

int64_t countOf(const Cell& cell)
{
    const auto* n = std::get_if<int64_t>(&cell);
    return n ? *n : 0;
}

// What the cross walk of one select or radio field has to work with.
void optionProblems(Database& db, const std::string& label, const FieldSettings& field,
                    std::vector<std::string>& problems)
{
    // Blank fields are NULL in the store; DefaultValue = 1 is the test the run's default lookup makes.
    const auto rows = db.query("SELECT count(*), count(NULLIF(ImportMap, '')), "
                               "count(CASE WHEN DefaultValue = 1 THEN 1 END) FROM seldata WHERE Name = ?1",
                               {field.Name});
    const int64_t options = rows.empty() ? 0 : countOf(rows[0][0]);
    const int64_t mapped = rows.empty() ? 0 : countOf(rows[0][1]);
    const int64_t defaults = rows.empty() ? 0 : countOf(rows[0][2]);
    const std::string kind = field.Type == "RADIO" ? "radio" : "select";
    if (options == 0)
        problems.push_back(label + ": a " + kind +
                           " field without option rows: every code is Not Found In Cross Walk and the " +
                           (field.Type == "RADIO" ? "field is left out" : "value is sent empty"));
    else if (mapped == 0)
        problems.push_back(label + ": none of its " + std::to_string(options) +
                           " option rows has an Import Map: every code is Not Found In Cross Walk and the default "
                           "option is sent");
    if (defaults > 1)
        problems.push_back(label + ": " + std::to_string(defaults) +
                           " option rows are marked default: the fallback is whichever the store returns first");
}

}  // namespace

std::string fieldDefinitionLabel(const std::string& orderNum, const std::string& name)
{
    return "Field definition " + (orderNum.empty() ? std::string("(no OrderNum)") : orderNum) + " (" +
           (name.empty() ? std::string("no name") : name) + ")";
}

std::vector<std::string> settingsProblems(TDataModule1& data, const RunSettings& run, SecretSource& environment)
{
    std::vector<std::string> problems;
    if (!run.url.empty() && run.url.find("://") == std::string::npos)
        problems.push_back("URL \"" + run.url +
                           "\" has no \"://\": a relative address, as a page's ACTION is imported, that no "
                           "request can be sent to");
    if (!run.postType.empty() && run.kind == PostType::None)
        problems.push_back("PostType \"" + data.SettingsTable.text("PostType") +
                           "\" is not GET, POST or PUT: no request would be sent for any record");
    if (data.SettingsTable.text("DataSentText").empty())
        problems.push_back("DataSentText is blank: no record would be confirmed or tracked");

    std::vector<std::string> definitions;
    std::set<std::string> names;
    Query fields(data.database());
    fields.open(selectFieldsInOrder());
    for (bool found = fields.findFirst(); found; found = fields.findNext()) {
        const FieldSettings field = GetFieldSettings(fields);
        names.insert(field.Name);
        const std::string label = fieldDefinitionLabel(fields.text("OrderNum"), field.Name);
        if (field.ImportStart != 0 && field.MaxLength <= 0)
            definitions.push_back(label + ": MaxLength " + std::to_string(field.MaxLength) +
                                  " on a field taken from the line: its value is always sent empty");
        // A text that tries to be a pattern ("IN To OUT") is told what is wrong with it.
        std::string reason;
        if (!field.Format.empty() && !isValueFormat(field.Format, &reason))
            definitions.push_back(label + ": Format \"" + field.Format + "\" is not \"" + kFormats[0] + "\", \"" +
                                  kFormats[1] + "\" or \"" + kFormats[2] + "\"" +
                                  (field.Format.find(" To ") == std::string::npos ? "" : " nor a pattern (" + reason + ")") +
                                  ": the value is sent unconverted");
        if (field.Type == "SELECT" || field.Type == "RADIO")
            optionProblems(data.database(), label, field, definitions);
    }

    if (run.trackSent) {
        bool named = false;
        for (const std::string* f : {&run.fieldToTrack1, &run.fieldToTrack2, &run.fieldToTrack3, &run.fieldToTrack4})
            named = named || (!f->empty() && names.count(*f) > 0);
        if (!named)
            problems.push_back("TrackSent is on but none of FieldToTrack1 to FieldToTrack4 names a field definition: "
                               "every key would be empty and no record would ever be skipped as already sent");
    }
    const std::vector<std::string> network = networkProblems(data.SettingsTable, environment);
    problems.insert(problems.end(), network.begin(), network.end());
    problems.insert(problems.end(), definitions.begin(), definitions.end());
    return problems;
}

}  // namespace torvane

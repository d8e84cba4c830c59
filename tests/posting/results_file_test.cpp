#include "posting/results_file.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace torvane {
namespace {

TEST(ResultsFileTest, FormatFollowsTheExtension)
{
    using F = ResultsFile::Format;
    const std::pair<const char*, std::optional<F>> cases[] = {
        {"r.csv", F::Csv},       {"out/R.CSV", F::Csv}, {"r.jsonl", F::JsonLines}, {"r.JsonL", F::JsonLines},
        {"r.json", std::nullopt}, {"r.txt", std::nullopt}, {".csv", std::nullopt},   {"csv", std::nullopt},
    };
    for (const auto& [path, format] : cases)
        EXPECT_EQ(ResultsFile::formatOf(path), format) << path;
}

TEST(ResultsFileTest, CsvFieldsAreQuotedOnlyWhenTheyMustBe)
{
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a, b", "\"a, b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
    };
    for (const auto& [text, field] : cases)
        EXPECT_EQ(csvField(text), field) << text;
}

TEST(ResultsFileTest, RowsInBothFormatsAreUtf8)
{
    test::TempDir dir;
    RecordResult r{12, 11, "M\xFC" "ller", RecordOutcome::Failed, "", {"Socket Error # 10054", "Connection reset by peer."}, ""};
    ResultsFile csv(dir.file("r.csv"), ResultsFile::Format::Csv, Utf8Output());
    EXPECT_EQ(csv.row(r, "T"), "12,11,M\xC3\xBCller,failed,,Socket Error # 10054 / Connection reset by peer.,T\r\n");
    ResultsFile jsonl(dir.file("r.jsonl"), ResultsFile::Format::JsonLines, Utf8Output());
    const auto object = nlohmann::json::parse(jsonl.row(r, "T"));
    EXPECT_EQ(object.at("key"), "M\xC3\xBCller");
    EXPECT_EQ(object.at("line"), 12);
    EXPECT_EQ(object.at("message"), "Socket Error # 10054 / Connection reset by peer.");
    csv.write(r);
    EXPECT_EQ(dir.read("r.csv").substr(0, 45), "line,record,key,outcome,status,message,time\r\n") << "header first";
}

TEST(ResultsFileTest, AFileThatCannotBeCreatedIsAnError)
{
    EXPECT_THROW(ResultsFile("/nonexistent/dir/r.csv", ResultsFile::Format::Csv, Utf8Output()), Error);
}

}  // namespace
}  // namespace torvane

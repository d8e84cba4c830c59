// The form of realistic size the posting benchmarks share: 40 field definitions, 10 of them select lists
// with 50 options each, in a fresh store folder, and export lines that fit it.
#pragma once

#include "posting/posting_engine.h"
#include "store/statements.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace torvane::bench {

class QuietHost : public Host {
public:
    void memo2Add(const std::string&) override {}
    void memo2Clear() override {}
    void memo1Add(const std::string&) override {}
    void memo1SetText(std::string) override {}
    void memo1Clear() override {}
    const std::string& memo1Text() const override { return m_noText; }
    void setStatusText(const std::string& text) override { benchmark::DoNotOptimize(text.data()); }
    void setBannerVisible(bool) override {}
    void repaint() override {}
    void processMessages() override {}

private:
    const std::string m_noText;
};

class NoDialogs : public Dialogs {
public:
    bool askYesNo(const std::string&, const std::string&) override { return true; }
    bool askOkCancel(const std::string&, const std::string&) override { return true; }
    void showExclamation(const std::string&, const std::string&) override {}
    void showError(const std::string&, const std::string&) override {}
};

class NoClient : public PostingClient {
public:
    torvane::PostingReply send(const torvane::PostingRequest&) override { return {}; }
    void setTrafficLog(bool) override {}
};

constexpr int kFields = 40;
constexpr int kSelectEvery = 4;  // every fourth field is a select list: 10 of 40
constexpr int kOptions = 50;
constexpr int kWidth = 6;  // columns per field in the export line

inline bool isSelect(int field) { return field % kSelectEvery == kSelectEvery - 1; }

inline std::string prefixed(char prefix, unsigned number)
{
    char text[16];
    std::snprintf(text, sizeof text, "%c%u", prefix, number);
    return text;
}

inline std::string code(int option)
{
    return prefixed('C', unsigned(option));
}

struct Form {
    std::filesystem::path dir;
    std::unique_ptr<TDataModule1> data;

    explicit Form(bool indexOptions = false)
    {
        dir = std::filesystem::temp_directory_path() / ("torvane-bench-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        data = std::make_unique<TDataModule1>((dir / "torvane.db").string());
        Database::Transaction tx(data->database());
        TableView& fields = data->FieldsTable;
        TableView& options = data->SelDataTable;
        for (int f = 0; f < kFields; ++f) {
            const std::string name = "FIELD" + std::to_string(f);
            fields.append();
            fields.setInteger("OrderNum", (f + 1) * 10);
            fields.setText("Name", name);
            fields.setText("Type", isSelect(f) ? "Select" : "TEXT");
            fields.setInteger("MaxLength", 20);
            fields.setInteger("ImportStart", f * kWidth + 1);
            fields.setInteger("ImportLength", kWidth);
            fields.setLogical("Required", f % 5 == 0);
            if (f % 10 == 2)
                fields.setText("Format", "HHMM To HH:MM AM/PM");
            fields.post();
            if (!isSelect(f))
                continue;
            for (int o = 0; o < kOptions; ++o) {
                options.append();
                options.setText("Name", name);
                options.setInteger("OrderNum", (o + 1) * 10);
                options.setText("Value", "value " + std::to_string(o));
                options.setText("Description", "Option " + std::to_string(o));
                options.setText("ImportMap", code(o));
                options.setLogical("DefaultValue", o == 0);
                options.post();
            }
        }
        tx.commit();
        // The cross walk looks options up by field name; the shipped store keeps no index for that.
        if (indexOptions)
            data->database().execute("CREATE INDEX IF NOT EXISTS seldata_name_code ON seldata (Name, upper(ImportMap))");
    }

    ~Form()
    {
        data.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

// Export lines whose select columns hold known codes, with one unknown code in every eighth line.
inline std::vector<std::string> exportLines(int count)
{
    std::mt19937 random(42);
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        std::string line;
        for (int f = 0; f < kFields; ++f) {
            std::string value;
            if (isSelect(f))
                value = (i % 8 == 7 && f == kSelectEvery - 1) ? "ZZ" : code(int(random() % kOptions));
            else if (f % 10 == 2)
                value = std::to_string(1000 + random() % 1300);
            else
                value = prefixed('v', unsigned(random() % 10000));
            value.resize(kWidth, ' ');
            line += value;
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace torvane::bench

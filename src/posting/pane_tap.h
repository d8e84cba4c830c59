// Passes everything on to the window the run reports to, and keeps a copy of the information-pane lines
// while a record is being processed: what the run said about that record, for the results file. With
// several records in flight, what is said about one is held aside until the records before it are shown.
#pragma once

#include "util/host.h"
#include "util/secrets.h"
#include "util/text.h"

#include <string>
#include <utility>
#include <vector>

namespace torvane {

class PaneTap : public Host {
public:
    explicit PaneTap(Host& target) : m_target(target) {}

    Host& target() { return m_target; }
    // Lines added to the information pane from now on go into lines too (nullptr: no longer).
    void collectInto(std::vector<std::string>* lines) { m_lines = lines; }
    // The panes and the status text go to held from now on, the rest still to the window (nullptr: all
    // to the window again).
    void divertInto(Host* held) { m_held = held; }
    // Secrets of the run are masked in everything shown from now on (nullptr: nothing is masked).
    void setRedactor(const Redactor* redactor) { m_redactor = redactor; }

    void memo2Add(const std::string& raw) override
    {
        const std::string& text = masked(raw);
        panes().memo2Add(text);
        if (m_lines)
            for (std::string line : splitAddedText(text)) {
                line = trimmedBlanks(line);
                if (!line.empty())
                    m_lines->push_back(std::move(line));
            }
    }
    void memo2Clear() override { panes().memo2Clear(); }
    void memo1Add(const std::string& text) override { panes().memo1Add(masked(text)); }
    void memo1SetText(std::string text) override
    {
        panes().memo1SetText(masking() ? m_redactor->apply(std::move(text)) : std::move(text));
    }
    void memo1Clear() override { panes().memo1Clear(); }
    const std::string& memo1Text() const override { return m_target.memo1Text(); }
    void setStatusText(const std::string& text) override { panes().setStatusText(masked(text)); }
    void setBannerVisible(bool visible) override { m_target.setBannerVisible(visible); }
    void repaint() override { m_target.repaint(); }
    void processMessages() override { m_target.processMessages(); }
    void runProgress(int64_t done, int64_t total, int64_t elapsedMs) override
    {
        m_target.runProgress(done, total, elapsedMs);
    }

private:
    Host& panes() { return m_held ? *m_held : m_target; }
    bool masking() const { return m_redactor && !m_redactor->empty(); }
    // The text itself when nothing is masked, so the common case copies nothing.
    const std::string& masked(const std::string& text)
    {
        if (!masking())
            return text;
        m_scratch = m_redactor->apply(text);
        return m_scratch;
    }

    Host& m_target;
    Host* m_held = nullptr;
    const Redactor* m_redactor = nullptr;
    std::string m_scratch;
    std::vector<std::string>* m_lines = nullptr;
};

}  // namespace torvane

// What a run says about one record while records before it are still in flight: the pane and status
// texts in the order they were said, shown on the window later all at once.
#pragma once

#include "util/host.h"

#include <string>
#include <utility>
#include <vector>

namespace torvane {

class HeldPanes : public Host {
public:
    // live: where what is not held goes at once (the pump, repaints, the banner, the progress).
    explicit HeldPanes(Host& live) : m_live(live) {}

    void memo2Add(const std::string& text) override { m_said.emplace_back(Said::Memo2Add, text); }
    void memo2Clear() override { m_said.emplace_back(Said::Memo2Clear, std::string()); }
    void memo1Add(const std::string& text) override { m_said.emplace_back(Said::Memo1Add, text); }
    void memo1SetText(std::string text) override { m_said.emplace_back(Said::Memo1Set, std::move(text)); }
    void memo1Clear() override { m_said.emplace_back(Said::Memo1Clear, std::string()); }
    const std::string& memo1Text() const override { return m_live.memo1Text(); }
    void setStatusText(const std::string& text) override { m_said.emplace_back(Said::Status, text); }
    void setBannerVisible(bool visible) override { m_live.setBannerVisible(visible); }
    void repaint() override { m_live.repaint(); }
    void processMessages() override { m_live.processMessages(); }
    void runProgress(int64_t done, int64_t total, int64_t elapsedMs) override
    {
        m_live.runProgress(done, total, elapsedMs);
    }

    // Says everything held on host, in order, and holds nothing more.
    void showOn(Host& host);
    // Forgets what was held (a record read ahead of a stop, never sent).
    void forget() { m_said.clear(); }

private:
    enum class Said { Memo2Add, Memo2Clear, Memo1Add, Memo1Set, Memo1Clear, Status };
    Host& m_live;
    std::vector<std::pair<Said, std::string>> m_said;
};

}  // namespace torvane

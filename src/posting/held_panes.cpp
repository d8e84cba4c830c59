#include "posting/held_panes.h"

namespace torvane {

void HeldPanes::showOn(Host& host)
{
    for (auto& [said, text] : m_said) {
        switch (said) {
        case Said::Memo2Add:
            host.memo2Add(text);
            break;
        case Said::Memo2Clear:
            host.memo2Clear();
            break;
        case Said::Memo1Add:
            host.memo1Add(text);
            break;
        case Said::Memo1Set:
            host.memo1SetText(std::move(text));
            break;
        case Said::Memo1Clear:
            host.memo1Clear();
            break;
        case Said::Status:
            host.setStatusText(text);
            break;
        }
    }
    m_said.clear();
}

}  // namespace torvane

// Callbacks registered under an id and told in the order they came. The list is copied before it
// is told, so a callback may add or remove callbacks (itself included) while being told.
#pragma once

#include <functional>
#include <map>
#include <utility>

namespace torvane {

template <typename... Args>
class Observers {
public:
    using Callback = std::function<void(Args...)>;

    int add(Callback callback)
    {
        const int id = m_next++;
        m_callbacks.emplace(id, std::move(callback));
        return id;
    }
    void remove(int id) { m_callbacks.erase(id); }
    void notify(const Args&... args) const
    {
        const auto callbacks = m_callbacks;
        for (const auto& [id, callback] : callbacks)
            callback(args...);
    }

private:
    std::map<int, Callback> m_callbacks;
    int m_next = 1;
};

}  // namespace torvane

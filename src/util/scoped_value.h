// Scope guards: a variable that holds a value for the length of a scope, and an action that runs
// when a scope ends, however it ends (return or exception).
#pragma once

#include <utility>

namespace torvane {

template <typename T>
class ScopedValue {
public:
    ScopedValue(T& variable, T value) : m_variable(variable), m_old(std::exchange(variable, std::move(value))) {}
    ~ScopedValue() { m_variable = std::move(m_old); }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& m_variable;
    T m_old;
};

template <typename Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : m_action(std::move(action)) {}
    ~ScopeExit() { m_action(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Action m_action;
};

}  // namespace torvane

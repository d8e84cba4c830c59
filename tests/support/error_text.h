// What a piece of work throws, as the text a test compares.
#pragma once

#include "util/error.h"

#include <functional>
#include <string>

namespace torvane::test {

// The message of the Error the work throws; "(no error)" when it throws none.
inline std::string errorOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace torvane::test

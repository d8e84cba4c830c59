// What the two grid pages of the settings dialog ask of the dialog: the work of their buttons and the
// question Ctrl+Delete in their grid asks.
#pragma once

#include "screens/db_controls.h"

#include <functional>

namespace torvane {

struct GridPageActions {
    std::function<void()> copy;  // the field data page's Copy; unused by the fields page
    std::function<void()> insert;
    std::function<void()> save;
    std::function<void()> remove;
    DBGrid::Confirm confirm;
};

}  // namespace torvane

// The settings dialog's "Application" page: the web server, the data file and the tracking settings
// of the settings record, with a Reset button beside each tracked field.
#pragma once

#include "store/tracked_fields.h"

#include <array>
#include <functional>

class QObject;
class QWidget;

namespace torvane {

class TDataModule1;
class WindowEncodings;

// resets[i] is the work of the Reset button of tracked field i + 1.
QWidget* buildApplicationPage(TDataModule1& data, const WindowEncodings& enc,
                              const std::array<std::function<void()>, 4>& resets, QObject* context);

}  // namespace torvane

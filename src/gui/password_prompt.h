// The password box in which the application asks for a ${NAME} value the environment does not hold.
#pragma once

#include <optional>
#include <string>

class QWidget;

namespace torvane {

class WindowEncodings;

// Asks for the value of NAME with its typing hidden; nothing when the operator cancels.
std::optional<std::string> askSecret(QWidget* parent, const WindowEncodings& encodings,
                                     const std::string& name);

}  // namespace torvane

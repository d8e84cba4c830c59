// The start-up sequence: splash, application title, the six long-lived objects in their order, the
// five-second wait, and the message loop until the main window closes.
#pragma once

namespace torvane {

// Runs the application; returns the process's exit status.
int runApplication(int argc, char** argv);

}  // namespace torvane

// Where windows appear: in the middle of their screen, whichever window it is.
#pragma once

class QWidget;

namespace torvane {

// Puts the window's frame in the middle of the screen it is on (the primary one before it has one).
void centreOnScreen(QWidget* window);

}  // namespace torvane

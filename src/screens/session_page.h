// The "Session" page of the settings dialog: the login of a form behind one and the hidden values
// taken from the live form page, bound to their settings.
#pragma once

class QWidget;

namespace torvane {

struct DataSource;
class WindowEncodings;

QWidget* buildSessionPage(DataSource& settings, const WindowEncodings& enc);

}  // namespace torvane

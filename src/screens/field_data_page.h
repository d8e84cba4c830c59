// The settings dialog's "Field Data" page: the cross walk's option rows, the boxes of the current row
// with Copy, Insert, Save and Delete.
#pragma once

#include "screens/grid_page.h"

class QObject;
class QWidget;

namespace torvane {

class TDataModule1;
class WindowEncodings;

QWidget* buildFieldDataPage(TDataModule1& data, const WindowEncodings& enc, const GridPageActions& actions,
                            QObject* context);

}  // namespace torvane

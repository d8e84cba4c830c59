// The settings dialog's "Web Form Fields" page: the field definitions' grid, the boxes of the current
// definition with Insert, Save and Delete, and the column mapper under them.
#pragma once

#include "screens/grid_page.h"

class QObject;
class QWidget;

namespace torvane {

class TDataModule1;
class WindowEncodings;

QWidget* buildFieldsPage(TDataModule1& data, const WindowEncodings& enc, const GridPageActions& actions,
                         QObject* context);

}  // namespace torvane

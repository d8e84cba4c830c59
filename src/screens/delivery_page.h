// The settings dialog's "Delivery" page: how a run treats a record whose request failed (tries again,
// goes on past it). Blank boxes keep the first error ending the run.
#pragma once

#include <QWidget>

namespace torvane {

class TDataModule1;
class WindowEncodings;

class DeliveryPage : public QWidget {
    Q_OBJECT
public:
    DeliveryPage(TDataModule1& data, const WindowEncodings& enc, QWidget* parent = nullptr);
};

}  // namespace torvane

// The splash window shown while the application starts: product name, version, pictures, the
// maker's addresses and "Loading....".
#pragma once

#include "app/product_panel.h"

#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QProgressBar;

namespace torvane {

class TSplashForm : public QDialog, public ProductPanelNames {
    Q_OBJECT

public:
    // A progress bar with the given maximum is shown when that is above 0 and hidden otherwise.
    explicit TSplashForm(int maximum = 0, QWidget* parent = nullptr);

    QProgressBar* Gauge1 = nullptr;
    QLabel* Label1 = nullptr;

    void FormCreate();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<ProductPanel> m_panel;
};

}  // namespace torvane

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

class TSplashForm : public QDialog {
    Q_OBJECT

public:
    // A progress bar with the given maximum is shown when that is above 0 and hidden otherwise.
    explicit TSplashForm(int maximum = 0, QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* WebSite = nullptr;
    QLabel* EMail = nullptr;
    QProgressBar* Gauge1 = nullptr;
    QLabel* Label1 = nullptr;

    void FormCreate();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<ProductPanel> m_panel;
};

}  // namespace torvane

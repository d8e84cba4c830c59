// The splash window shown while the application starts: product name, version, pictures, the
// maker's addresses and "Loading....". Also home of the product-name fitting both it and the about
// box use, and of the loading of the product pictures.
#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

class QFrame;
class QLabel;
class QProgressBar;

namespace torvane {

// The widest the product name may be drawn, in pixels, in the splash and the about box.
inline constexpr int kProductNameWidthLimit = 273;

// Shrinks the font one point at a time while the text drawn in it is wider than the limit; a font
// that already fits comes back unchanged. Never goes below one point.
QFont fitFontToWidth(QFont font, const QString& text, int limit = kProductNameWidthLimit);

// The design fonts: "Times New Roman" 18 point bold for the product name, "MS Sans Serif" for the
// rest. Linux lacks both, so they map once onto the metric-compatible Liberation fonts.
QFont productNameFont();
QFont windowFont(int pointSize);

// Resource paths of the product pictures; the images are registered on first use.
QString logoPicturePath();
QString bannerPicturePath();

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
};

// Puts the window in the middle of its screen.
void centreOnScreen(QWidget* window);

}  // namespace torvane

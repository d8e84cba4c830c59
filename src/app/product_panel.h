// What the splash window and the about box share: the product panel with its logo, product name
// fitted to its width, version, banner, copyright notice and the maker's addresses, the fonts and
// pictures it uses, and the filling of its texts.
#pragma once

#include <QFont>
#include <QMargins>
#include <QSize>
#include <QString>

class QFrame;
class QLabel;
class QWidget;

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

// The raised panel and its labels, laid out as both windows show them: the logo at the left, the
// name and version beside it with the banner below, the notice and addresses along the bottom.
struct ProductPanel {
    struct Layout {
        QSize panel, logo, banner;
        const char* logoName;    // the windows name their two pictures the other way round
        const char* bannerName;
        QMargins margins;
        int spacing;
        int nameIndent;
    };
    ProductPanel(QWidget* owner, const Layout& layout);

    QFrame* panel;
    QLabel* logo;
    QLabel* productName;
    QLabel* version;
    QLabel* banner;
    QLabel* copyright;
    QLabel* webSite;
    QLabel* email;
};

// The panel's widgets under the names both windows give them. Which picture is Image1 and which
// Image2 follows the names the panel's layout gave them (the windows differ there).
struct ProductPanelNames {
    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* WebSite = nullptr;
    QLabel* EMail = nullptr;

    void nameWidgetsOf(const ProductPanel& panel);
};

// The windows' creation handlers: caption, fitted product name, version, notice and addresses.
void fillProductTexts(QWidget* window, const ProductPanel& panel);

}  // namespace torvane

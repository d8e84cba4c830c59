// The about box of Help > About: product name, version, pictures, copyright and the maker's
// addresses; the banner and the web address open the maker's web site. Built anew for each opening.
#pragma once

#include "app/product_panel.h"

#include <QDialog>
#include <QUrl>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QPushButton;

namespace torvane {

class TAboutBox : public QDialog, public ProductPanelNames {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent);

    QPushButton* BitBtn1 = nullptr;

    void FormCreate();
    // Both open the maker's web site in the user's browser.
    void WebSiteClick();
    void Image1DblClick();

    // Hands an address to the desktop's browser; failures go unreported. Tests replace it so no
    // browser starts.
    static std::function<void(const QUrl&)> urlOpener;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openWebSite();
    std::unique_ptr<ProductPanel> m_panel;
    // A double click arrives as press, release, double click, release: the second release must not
    // open the site a second time.
    bool m_swallowRelease = false;
};

}  // namespace torvane

#include "app/about_box.h"

#include "app/splash_form.h"
#include "util/product_info.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace torvane {

std::function<void(const QUrl&)> TAboutBox::urlOpener = [](const QUrl& url) {
    QDesktopServices::openUrl(url);
};

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName("AboutBox");
    setFont(windowFont(8));
    setSizeGripEnabled(false);

    const ProductPanel panel(this, {QSize(417, 265), QSize(113, 113), QSize(273, 65), "Image2", "Image1",
                                    QMargins(16, 8, 8, 8), 7, 0});
    m_panel = std::make_unique<ProductPanel>(panel);
    nameWidgetsOf(panel);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(QString::fromLatin1(kWebAddress));
    Image1->installEventFilter(this);
    WebSite->installEventFilter(this);

    BitBtn1 = new QPushButton(QStringLiteral("&OK"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setFixedSize(75, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    // The button sits right of the middle, under the panel's right half.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(2);
    buttons->addWidget(BitBtn1);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 7, 12);
    layout->setSpacing(7);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);

    FormCreate();
    setFixedSize(432, 317);
}

void TAboutBox::FormCreate()
{
    fillProductTexts(this, *m_panel);
}

void TAboutBox::WebSiteClick()
{
    openWebSite();
}

void TAboutBox::Image1DblClick()
{
    openWebSite();
}

void TAboutBox::openWebSite()
{
    if (urlOpener)
        urlOpener(QUrl(QString::fromLatin1(kWebAddress)));
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Image1 && watched != WebSite)
        return QDialog::eventFilter(watched, event);

    if (event->type() == QEvent::MouseButtonDblClick) {
        m_swallowRelease = true;
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (m_swallowRelease) {
            m_swallowRelease = false;
            return true;
        }
        // Letting go outside the picture or label takes the click back.
        if (!widget->rect().contains(mouse->position().toPoint()))
            return true;
        if (watched == Image1)
            Image1DblClick();
        else
            WebSiteClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace torvane

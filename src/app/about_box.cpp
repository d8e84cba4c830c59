#include "app/about_box.h"

#include "app/splash_form.h"
#include "util/product_info.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace torvane {

std::function<void(const QUrl&)> TAboutBox::urlOpener = [](const QUrl& url) {
    QDesktopServices::openUrl(url);
};

namespace {

QLabel* addLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName("AboutBox");
    setFont(windowFont(8));
    setSizeGripEnabled(false);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setFixedSize(417, 265);

    Image2 = addLabel(Panel1, "Image2");
    Image2->setFixedSize(113, 113);
    Image2->setScaledContents(true);
    Image2->setPixmap(QPixmap(logoPicturePath()));

    ProductName = addLabel(Panel1, "ProductName");
    ProductName->setFont(productNameFont());
    Version = addLabel(Panel1, "Version");
    Version->setFont(windowFont(10));

    Image1 = addLabel(Panel1, "Image1");
    Image1->setFixedSize(273, 65);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(QPixmap(bannerPicturePath()));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(QString::fromLatin1(kWebAddress));
    Image1->installEventFilter(this);

    Copyright = addLabel(Panel1, "Copyright");
    WebSite = addLabel(Panel1, "WebSite");
    WebSite->setStyleSheet("color: blue;");
    WebSite->setCursor(Qt::PointingHandCursor);
    WebSite->installEventFilter(this);
    EMail = addLabel(Panel1, "EMail");
    EMail->setStyleSheet("color: blue;");

    auto* nameColumn = new QVBoxLayout;
    nameColumn->setContentsMargins(0, 0, 0, 0);
    nameColumn->setSpacing(2);
    nameColumn->addWidget(ProductName);
    nameColumn->addWidget(Version);
    nameColumn->addStretch();

    auto* panelLayout = new QGridLayout(Panel1);
    panelLayout->setContentsMargins(16, 8, 8, 8);
    panelLayout->setHorizontalSpacing(7);
    panelLayout->setVerticalSpacing(0);
    panelLayout->addWidget(Image2, 0, 0, 2, 1, Qt::AlignTop);
    panelLayout->addLayout(nameColumn, 0, 1);
    panelLayout->addWidget(Image1, 1, 1, Qt::AlignBottom);
    panelLayout->setRowStretch(2, 1);
    panelLayout->addWidget(Copyright, 3, 0, 1, 2);
    panelLayout->addWidget(WebSite, 4, 0, 1, 2, Qt::AlignLeft);
    panelLayout->addWidget(EMail, 5, 0, 1, 2);

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
    setWindowTitle(QString::fromLatin1(kProductName));
    ProductName->setFont(fitFontToWidth(ProductName->font(), QString::fromLatin1(kProductName)));
    ProductName->setText(QString::fromLatin1(kProductName));
    Version->setText(QString::fromLatin1(kVersionText));
    Copyright->setText(QString::fromLatin1(kCopyrightNotice));
    WebSite->setText(QString::fromLatin1(kWebAddress));
    EMail->setText(QString::fromLatin1(kSalesEmail));
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

#include "app/product_panel.h"

#include "util/product_info.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

// Resources of a static library are registered by hand; this has to happen outside any namespace.
static void registerProductPictures()
{
    Q_INIT_RESOURCE(torvane);
}

namespace torvane {

namespace {

void ensurePictures()
{
    static const bool registered = (registerProductPictures(), true);
    (void)registered;
}

void mapDesignFontsOnce()
{
    static const bool mapped = [] {
        QFont::insertSubstitution("Times New Roman", "Liberation Serif");
        QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
        return true;
    }();
    (void)mapped;
}

QLabel* addLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

QFont fitFontToWidth(QFont font, const QString& text, int limit)
{
    while (QFontMetrics(font).horizontalAdvance(text) > limit && font.pointSize() > 1)
        font.setPointSize(font.pointSize() - 1);
    return font;
}

QFont productNameFont()
{
    mapDesignFontsOnce();
    QFont font("Times New Roman");
    font.setPointSize(18);
    font.setBold(true);
    return font;
}

QFont windowFont(int pointSize)
{
    mapDesignFontsOnce();
    QFont font("MS Sans Serif");
    font.setPointSize(pointSize);
    return font;
}

QString logoPicturePath()
{
    ensurePictures();
    return QStringLiteral(":/torvane/images/logo.png");
}

QString bannerPicturePath()
{
    ensurePictures();
    return QStringLiteral(":/torvane/images/banner.png");
}

ProductPanel::ProductPanel(QWidget* owner, const Layout& layout)
{
    panel = new QFrame(owner);
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setFixedSize(layout.panel);

    logo = addLabel(panel, layout.logoName);
    logo->setFixedSize(layout.logo);
    logo->setScaledContents(true);
    logo->setPixmap(QPixmap(logoPicturePath()));

    productName = addLabel(panel, "ProductName");
    productName->setFont(productNameFont());
    version = addLabel(panel, "Version");
    version->setFont(windowFont(10));

    banner = addLabel(panel, layout.bannerName);
    banner->setFixedSize(layout.banner);
    banner->setAlignment(Qt::AlignCenter);
    banner->setPixmap(QPixmap(bannerPicturePath()));

    copyright = addLabel(panel, "Copyright");
    webSite = addLabel(panel, "WebSite");
    webSite->setStyleSheet("color: blue;");
    webSite->setCursor(Qt::PointingHandCursor);
    email = addLabel(panel, "EMail");
    email->setStyleSheet("color: blue;");

    auto* nameColumn = new QVBoxLayout;
    nameColumn->setContentsMargins(layout.nameIndent, 0, 0, 0);
    nameColumn->setSpacing(2);
    nameColumn->addWidget(productName);
    nameColumn->addWidget(version);
    nameColumn->addStretch();

    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(layout.margins);
    grid->setHorizontalSpacing(layout.spacing);
    grid->setVerticalSpacing(0);
    grid->addWidget(logo, 0, 0, 2, 1, Qt::AlignTop);
    grid->addLayout(nameColumn, 0, 1);
    grid->addWidget(banner, 1, 1, Qt::AlignBottom);
    grid->setRowStretch(2, 1);
    grid->addWidget(copyright, 3, 0, 1, 2);
    grid->addWidget(webSite, 4, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(email, 5, 0, 1, 2);
}

void fillProductTexts(QWidget* window, const ProductPanel& p)
{
    window->setWindowTitle(QString::fromLatin1(kProductName));
    p.productName->setFont(fitFontToWidth(p.productName->font(), QString::fromLatin1(kProductName)));
    p.productName->setText(QString::fromLatin1(kProductName));
    p.version->setText(QString::fromLatin1(kVersionText));
    p.copyright->setText(QString::fromLatin1(kCopyrightNotice));
    p.webSite->setText(QString::fromLatin1(kWebAddress));
    p.email->setText(QString::fromLatin1(kSalesEmail));
}

void ProductPanelNames::nameWidgetsOf(const ProductPanel& panel)
{
    const bool logoIsImage1 = panel.logo->objectName() == QLatin1String("Image1");
    Panel1 = panel.panel;
    Image1 = logoIsImage1 ? panel.logo : panel.banner;
    Image2 = logoIsImage1 ? panel.banner : panel.logo;
    ProductName = panel.productName;
    Version = panel.version;
    Copyright = panel.copyright;
    WebSite = panel.webSite;
    EMail = panel.email;
}

}  // namespace torvane

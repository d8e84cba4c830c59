#include "app/splash_form.h"

#include "util/product_info.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
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

void centreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

TSplashForm::TSplashForm(int maximum, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName("SplashForm");
    setFont(windowFont(8));
    setAttribute(Qt::WA_DeleteOnClose, false);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setFixedSize(417, 273);

    Image1 = addLabel(Panel1, "Image1");
    Image1->setFixedSize(116, 113);
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap(logoPicturePath()));

    ProductName = addLabel(Panel1, "ProductName");
    ProductName->setFont(productNameFont());
    Version = addLabel(Panel1, "Version");
    Version->setFont(windowFont(10));

    Image2 = addLabel(Panel1, "Image2");
    Image2->setFixedSize(281, 65);
    Image2->setAlignment(Qt::AlignCenter);
    Image2->setPixmap(QPixmap(bannerPicturePath()));

    Copyright = addLabel(Panel1, "Copyright");
    WebSite = addLabel(Panel1, "WebSite");
    WebSite->setStyleSheet("color: blue;");
    WebSite->setCursor(Qt::PointingHandCursor);
    EMail = addLabel(Panel1, "EMail");
    EMail->setStyleSheet("color: blue;");

    auto* nameColumn = new QVBoxLayout;
    nameColumn->setContentsMargins(3, 0, 0, 0);
    nameColumn->setSpacing(2);
    nameColumn->addWidget(ProductName);
    nameColumn->addWidget(Version);
    nameColumn->addStretch();

    auto* panelLayout = new QGridLayout(Panel1);
    panelLayout->setContentsMargins(8, 8, 8, 8);
    panelLayout->setHorizontalSpacing(4);
    panelLayout->setVerticalSpacing(0);
    panelLayout->addWidget(Image1, 0, 0, 2, 1, Qt::AlignTop);
    panelLayout->addLayout(nameColumn, 0, 1);
    panelLayout->addWidget(Image2, 1, 1, Qt::AlignBottom);
    panelLayout->setRowStretch(2, 1);
    panelLayout->addWidget(Copyright, 3, 0, 1, 2);
    panelLayout->addWidget(WebSite, 4, 0, 1, 2);
    panelLayout->addWidget(EMail, 5, 0, 1, 2);

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setOrientation(Qt::Horizontal);
    Gauge1->setFixedSize(417, 20);
    Gauge1->setTextVisible(false);
    QPalette blue = Gauge1->palette();
    blue.setColor(QPalette::Highlight, QColor(0, 0, 255));
    Gauge1->setPalette(blue);
    // The bar keeps its place when hidden, so "Loading...." stays where it is.
    QSizePolicy keepPlace = Gauge1->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    Gauge1->setSizePolicy(keepPlace);
    Gauge1->setRange(0, maximum > 0 ? maximum : 0);
    Gauge1->setValue(0);
    Gauge1->setVisible(maximum > 0);

    Label1 = addLabel(this, "Label1");
    Label1->setText(QStringLiteral("Loading...."));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 9, 6);
    layout->setSpacing(7);
    layout->addWidget(Panel1);
    layout->addWidget(Gauge1);
    layout->addWidget(Label1, 0, Qt::AlignHCenter);
    layout->addStretch();

    FormCreate();
    setFixedSize(434, 333);
}

void TSplashForm::FormCreate()
{
    setWindowTitle(QString::fromLatin1(kProductName));
    ProductName->setFont(fitFontToWidth(ProductName->font(), QString::fromLatin1(kProductName)));
    ProductName->setText(QString::fromLatin1(kProductName));
    Version->setText(QString::fromLatin1(kVersionText));
    Copyright->setText(QString::fromLatin1(kCopyrightNotice));
    WebSite->setText(QString::fromLatin1(kWebAddress));
    EMail->setText(QString::fromLatin1(kSalesEmail));
}

void TSplashForm::showEvent(QShowEvent* event)
{
    centreOnScreen(this);
    QDialog::showEvent(event);
}

}  // namespace torvane

#include "app/splash_form.h"

#include "gui/window_placement.h"


#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace torvane {

TSplashForm::TSplashForm(int maximum, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName("SplashForm");
    setFont(windowFont(8));
    setAttribute(Qt::WA_DeleteOnClose, false);

    const ProductPanel panel(this, {QSize(417, 273), QSize(116, 113), QSize(281, 65), "Image1", "Image2",
                                    QMargins(8, 8, 8, 8), 4, 3});
    m_panel = std::make_unique<ProductPanel>(panel);
    nameWidgetsOf(panel);  // the web address has no click action on the splash

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

    Label1 = new QLabel(QStringLiteral("Loading...."), this);
    Label1->setObjectName("Label1");

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
    fillProductTexts(this, *m_panel);
}

void TSplashForm::showEvent(QShowEvent* event)
{
    centreOnScreen(this);
    QDialog::showEvent(event);
}

}  // namespace torvane

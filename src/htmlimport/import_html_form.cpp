#include "htmlimport/import_html_form.h"

#include "gui/window_placement.h"
#include "store/data_module.h"

#include "util/error.h"

#include <QEvent>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

namespace torvane {

namespace {

// The count is painted at most this often while the import holds the thread.
constexpr qint64 kRepaintEveryMs = 50;

void paintFolder(QPainter& p, const QRectF& body)
{
    QPainterPath path;
    const qreal tabWidth = body.width() * 0.4;
    path.moveTo(body.left(), body.top());
    path.lineTo(body.left() + 3, body.top() - 6);
    path.lineTo(body.left() + tabWidth, body.top() - 6);
    path.lineTo(body.left() + tabWidth + 4, body.top());
    path.lineTo(body.right(), body.top());
    path.lineTo(body.right(), body.bottom());
    path.lineTo(body.left(), body.bottom());
    path.closeSubpath();
    p.setPen(QPen(QColor(0x9a, 0x78, 0x1e), 1));
    p.setBrush(QColor(0xf0, 0xc8, 0x50));
    p.drawPath(path);
    p.setBrush(QColor(0xf7, 0xd9, 0x7a));
    p.drawRect(body.adjusted(0, 6, 0, 0));
}

void paintSheet(QPainter& p, const QRectF& sheet)
{
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    p.setPen(QPen(QColor(0x40, 0x60, 0xb0), 1));
    for (int line = 1; line <= 3; ++line) {
        const qreal y = sheet.top() + line * sheet.height() / 4.5;
        p.drawLine(QPointF(sheet.left() + 3, y), QPointF(sheet.right() - 3, y));
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// FileCopyAnimation

FileCopyAnimation::FileCopyAnimation(QWidget* parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, &FileCopyAnimation::step);
}

void FileCopyAnimation::start()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void FileCopyAnimation::stop()
{
    m_timer.stop();
}

void FileCopyAnimation::step()
{
    m_frame = (m_frame + 1) % kFrameCount;
    update();
}

void FileCopyAnimation::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QSizeF folder(48, 34);
    const QRectF from(QPointF(24, height() - folder.height() - 4), folder);
    const QRectF to(QPointF(width() - 24 - folder.width(), height() - folder.height() - 4), folder);
    paintFolder(p, from);
    paintFolder(p, to);

    // The sheet leaves the left folder, arcs over and drops into the right one.
    const qreal t = qreal(m_frame) / (kFrameCount - 1);
    const QSizeF sheet(16, 20);
    const qreal x = from.center().x() + t * (to.center().x() - from.center().x()) - sheet.width() / 2;
    const qreal lowest = from.top() - sheet.height() / 2;
    const qreal y = lowest - 4 * t * (1 - t) * (lowest - 2);
    paintSheet(p, QRectF(QPointF(x, y), sheet));
}

// ---------------------------------------------------------------------------------------------------
// TImportHTMLForm

TImportHTMLForm::TImportHTMLForm(TDataModule1& data, QWidget* parent) : QDialog(parent), m_import(data)
{
    setObjectName(QStringLiteral("ImportHTMLForm"));
    setWindowTitle(QStringLiteral("Importing HTML Form"));
    setModal(false);
    resize(366, 235);

    Label1 = new QLabel(QStringLiteral("Importing HTML File"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setPixelSize(32);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    Animate1 = new FileCopyAnimation(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));

    Label2 = new QLabel(QStringLiteral("Fields Imported:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    ImportedData = new QLabel(QStringLiteral("0"), this);
    ImportedData->setObjectName(QStringLiteral("ImportedData"));

    FormList = new QListWidget(this);
    FormList->setObjectName(QStringLiteral("FormList"));
    FormList->hide();
    FormImportButton = new QPushButton(QStringLiteral("Import Form"), this);
    FormImportButton->setObjectName(QStringLiteral("FormImportButton"));
    FormImportButton->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Animate1, 0, Qt::AlignHCenter);
    auto* countRow = new QHBoxLayout;
    countRow->addStretch(1);
    countRow->addWidget(Label2);
    countRow->addWidget(ImportedData);
    countRow->addStretch(1);
    layout->addLayout(countRow);
    layout->addWidget(FormList);
    layout->addWidget(FormImportButton, 0, Qt::AlignRight);

    m_import.Progress = [this](int tags) { showProgress(tags, false); };
}

void TImportHTMLForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnScreen(this);
    // Platforms without window activation (offscreen, some window managers) still see it play.
    FormActivate();
}

bool TImportHTMLForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

void TImportHTMLForm::FormActivate()
{
    Animate1->start();
}

void TImportHTMLForm::stopAnimation()
{
    Animate1->stop();
}

void TImportHTMLForm::showProgress(int tags, bool force)
{
    // The import handles no window messages, so the window is painted directly, and not for every
    // line: a long page has millions of them. The label always ends on the last count reported.
    if (!force && m_sinceRepaint.isValid() && m_sinceRepaint.elapsed() < kRepaintEveryMs) {
        m_lastShown = tags;
        return;
    }
    m_lastShown = tags;
    ImportedData->setText(QString::number(tags));
    if (!isVisible())
        return;
    if (m_sinceRepaint.isValid() && m_sinceRepaint.elapsed() >= FileCopyAnimation::kFrameMs &&
        Animate1->isRunning())
        Animate1->step();
    m_sinceRepaint.start();
    ImportedData->repaint();
    Animate1->repaint();
}

static QString formLine(const PageForm& form)
{
    const std::string& label = !form.name.empty() ? form.name : form.id;
    return QStringLiteral("%1. %2  %3  (%4 fields)")
        .arg(form.number)
        .arg(QString::fromStdString(label.empty() ? std::string("(no name)") : label))
        .arg(QString::fromStdString(form.action.empty() ? std::string("(no action)") : form.action))
        .arg(form.fieldCount);
}

bool TImportHTMLForm::chooseForm(const std::vector<PageForm>& forms)
{
    FormList->clear();
    for (const PageForm& form : forms)
        FormList->addItem(formLine(form));
    FormList->setCurrentRow(torvane::chooseForm(forms, {}) - 1);
    FormList->show();
    FormImportButton->show();
    // The import waits here for the operator; closing the window leaves the page unimported.
    QEventLoop wait;
    bool chosen = false;
    const auto pressed = connect(FormImportButton, &QPushButton::clicked, &wait, [&] {
        chosen = true;
        wait.quit();
    });
    const auto closed = connect(this, &QDialog::finished, &wait, &QEventLoop::quit);
    if (isVisible())
        wait.exec();
    disconnect(pressed);
    disconnect(closed);
    FormList->hide();
    FormImportButton->hide();
    if (chosen)
        m_import.FormChoice = std::to_string(FormList->currentRow() + 1);
    return chosen;
}

void TImportHTMLForm::ImportHTML()
{
    m_lastShown = -1;
    m_sinceRepaint.invalidate();
    m_import.PageFileName = PageFileName;
    m_import.FormChoice.clear();
    try {
        const std::vector<PageForm>& forms = m_import.ReadPage();
        if (forms.size() >= 2 && isVisible() && !chooseForm(forms))
            throw Error("No form imported");
        m_import.WritePage();
    } catch (...) {
        if (m_lastShown >= 0)
            ImportedData->setText(QString::number(m_lastShown));
        close();
        stopAnimation();
        throw;
    }
    if (m_lastShown >= 0)
        ImportedData->setText(QString::number(m_lastShown));
}

}  // namespace torvane

#include "screens/sample_view.h"

#include "gui/qt_text.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace torvane {

namespace {

// Columns shown past the longest line, so that a field can be dragged beyond what the sample holds.
constexpr int64_t kSpareColumns = 10;
constexpr int kTickRow = 10;

QColor spanColour(SampleView::Span::Kind kind)
{
    switch (kind) {
    case SampleView::Span::Kind::Current:
        return QColor(51, 136, 255, 120);
    case SampleView::Span::Kind::Other:
        return QColor(140, 170, 140, 60);
    case SampleView::Span::Kind::Overlap:
        return QColor(220, 40, 40, 150);
    }
    return {};
}

}  // namespace

SampleView::SampleView(const WindowEncodings& encodings, QWidget* parent)
    : QAbstractScrollArea(parent), m_encodings(encodings)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(font);
    viewport()->setFont(font);
    const QFontMetrics metrics(font);
    m_charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    m_lineHeight = metrics.height() + 2;
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setCursor(Qt::IBeamCursor);
    updateScrollBars();
}

QSize SampleView::minimumSizeHint() const
{
    // The ruler and eight lines, eighty columns wide.
    return {gutterWidth() + 80 * m_charWidth + verticalScrollBar()->sizeHint().width(),
            headerHeight() + 8 * m_lineHeight + horizontalScrollBar()->sizeHint().height() + 2 * frameWidth()};
}

void SampleView::setLines(std::vector<Line> lines)
{
    m_lines = std::move(lines);
    if (m_selected >= lineCount())
        m_selected = lineCount() - 1;
    if (m_selected < 0 && !m_lines.empty())
        m_selected = 0;
    updateScrollBars();
    viewport()->update();
}

void SampleView::setSpans(std::vector<Span> spans)
{
    m_spans = std::move(spans);
    viewport()->update();
}

void SampleView::setSelectedLine(int index)
{
    if (index < 0 || index >= lineCount() || index == m_selected)
        return;
    m_selected = index;
    viewport()->update();
}

int SampleView::gutterWidth() const
{
    int64_t last = m_lines.empty() ? 1 : m_lines.back().number;
    int digits = 1;
    for (; last >= 10; last /= 10)
        ++digits;
    return (std::max(digits, 3) + 1) * m_charWidth + 4;
}

int SampleView::headerHeight() const
{
    // The numbers, the ticks, and the strip with the fields' names.
    return m_lineHeight + kTickRow + m_lineHeight + 2;
}

int64_t SampleView::columnCount() const
{
    int64_t widest = 0;
    for (const Line& line : m_lines)
        widest = std::max<int64_t>(widest, static_cast<int64_t>(line.offsets.size()) - 1);
    for (const Span& span : m_spans)
        widest = std::max(widest, span.last);
    return std::max<int64_t>(widest + kSpareColumns, 80);
}

int SampleView::columnX(int64_t column) const
{
    return gutterWidth() + static_cast<int>((column - 1) * m_charWidth) - horizontalScrollBar()->value();
}

int64_t SampleView::columnAt(int x) const
{
    const int64_t inContent = int64_t(x) - gutterWidth() + horizontalScrollBar()->value();
    return std::clamp<int64_t>(inContent / m_charWidth + 1, 1, columnCount());
}

int SampleView::lineAt(int y) const
{
    if (y < headerHeight())
        return -1;
    const int index = (y - headerHeight()) / m_lineHeight + verticalScrollBar()->value();
    return index < lineCount() ? index : -1;
}

QPoint SampleView::columnPoint(int line, int64_t column)
{
    const int contentX = static_cast<int>((column - 1) * m_charWidth);
    const int visible = viewport()->width() - gutterWidth();
    QScrollBar* h = horizontalScrollBar();
    if (contentX < h->value() || contentX + m_charWidth > h->value() + visible)
        h->setValue(std::max(0, contentX - visible / 2));
    if (line >= 0) {
        QScrollBar* v = verticalScrollBar();
        const int rows = std::max(1, (viewport()->height() - headerHeight()) / m_lineHeight);
        if (line < v->value() || line >= v->value() + rows)
            v->setValue(line);
    }
    const int x = columnX(column) + m_charWidth / 2;
    const int y = line < 0 ? m_lineHeight / 2
                           : headerHeight() + (line - verticalScrollBar()->value()) * m_lineHeight + m_lineHeight / 2;
    return {x, y};
}

void SampleView::updateScrollBars()
{
    const int contentWidth = static_cast<int>(columnCount() * m_charWidth);
    const int visibleWidth = std::max(0, viewport()->width() - gutterWidth());
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - visibleWidth));
    horizontalScrollBar()->setPageStep(std::max(1, visibleWidth));
    horizontalScrollBar()->setSingleStep(m_charWidth);
    const int rows = std::max(1, (viewport()->height() - headerHeight()) / m_lineHeight);
    verticalScrollBar()->setRange(0, std::max(0, lineCount() - rows));
    verticalScrollBar()->setPageStep(rows);
}

void SampleView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

QString SampleView::cellText(const Line& line, int64_t column) const
{
    const size_t index = static_cast<size_t>(column - 1);
    if (index >= line.shown.size() || line.shown[index] == 0)
        return {};
    QString text = m_encodings.storeText(line.bytes.substr(line.offsets[index], line.shown[index]));
    // Control characters show as their pictures, so a tab or a stray byte takes its one column visibly.
    for (QChar& c : text)
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
    return text;
}

void SampleView::paintRuler(QPainter& p, int64_t firstColumn, int64_t lastColumn)
{
    const QPalette& pal = palette();
    p.fillRect(QRect(0, 0, viewport()->width(), headerHeight()), pal.window());
    p.setPen(pal.color(QPalette::WindowText));
    const int tickBottom = m_lineHeight + kTickRow;
    for (int64_t c = firstColumn; c <= lastColumn; ++c) {
        const int x = columnX(c);
        const int middle = x + m_charWidth / 2;
        const int tick = c % 10 == 0 ? kTickRow : c % 5 == 0 ? kTickRow * 2 / 3 : kTickRow / 3;
        p.drawLine(middle, tickBottom - tick, middle, tickBottom - 1);
        if (c == 1 || c % 5 == 0)
            p.drawText(QRect(x - m_charWidth * 2, 0, m_charWidth * 5, m_lineHeight), Qt::AlignCenter,
                       QString::number(c));
    }
    // The strip under the ruler: each field's columns with its name, the current one strongest, the
    // overlaps hatched; the names go on last so an overlap never hides whose columns meet there.
    const QRect strip(0, tickBottom + 1, viewport()->width(), m_lineHeight);
    auto spanRect = [&](const Span& span) {
        return QRect(columnX(span.first), strip.top(), static_cast<int>((span.last - span.first + 1) * m_charWidth),
                     strip.height());
    };
    for (const Span& span : m_spans) {
        if (span.kind == Span::Kind::Overlap) {
            p.fillRect(spanRect(span), QBrush(QColor(200, 0, 0), Qt::BDiagPattern));
            continue;
        }
        p.fillRect(spanRect(span), spanColour(span.kind));
    }
    p.setPen(pal.color(QPalette::WindowText));
    for (const Span& span : m_spans) {
        if (span.kind == Span::Kind::Overlap)
            continue;
        const QRect r = spanRect(span);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, span.name);
    }
}

void SampleView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QPalette& pal = palette();
    p.fillRect(viewport()->rect(), pal.base());
    const int gutter = gutterWidth();
    const int header = headerHeight();
    const int64_t firstColumn = columnAt(gutter);
    const int64_t lastColumn = std::min(columnCount(), columnAt(viewport()->width()) + 1);
    const int firstLine = verticalScrollBar()->value();
    const int rows = (viewport()->height() - header) / m_lineHeight + 1;
    const int linesBottom = header + (std::min(lineCount(), firstLine + rows) - firstLine) * m_lineHeight;

    p.setClipRect(QRect(gutter, 0, viewport()->width() - gutter, viewport()->height()));
    if (m_selected >= firstLine && m_selected < firstLine + rows)
        p.fillRect(QRect(gutter, header + (m_selected - firstLine) * m_lineHeight, viewport()->width(), m_lineHeight),
                   QColor(255, 240, 170));
    for (const Span& span : m_spans) {
        const QRect r(columnX(span.first), header, static_cast<int>((span.last - span.first + 1) * m_charWidth),
                      std::max(0, linesBottom - header));
        p.fillRect(r, spanColour(span.kind));
        if (span.kind == Span::Kind::Overlap)
            p.fillRect(r, QBrush(QColor(160, 0, 0), Qt::BDiagPattern));
    }
    p.setPen(pal.color(QPalette::Text));
    for (int i = firstLine; i < lineCount() && i < firstLine + rows; ++i) {
        const Line& line = m_lines[size_t(i)];
        const int y = header + (i - firstLine) * m_lineHeight;
        const int64_t columns = static_cast<int64_t>(line.offsets.size()) - 1;
        for (int64_t c = firstColumn; c <= std::min(lastColumn, columns); ++c)
            p.drawText(QRect(columnX(c), y, m_charWidth * 2, m_lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       cellText(line, c));
        if (line.cut && columns + 1 <= lastColumn)
            p.drawText(QRect(columnX(columns + 1), y, m_charWidth * 3, m_lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("\u2026"));
    }
    if (m_dragging) {
        const int64_t from = std::min(m_dragFrom, m_dragTo);
        const int64_t to = std::max(m_dragFrom, m_dragTo);
        p.setPen(QPen(pal.color(QPalette::Highlight), 2));
        p.drawRect(QRect(columnX(from), 1, static_cast<int>((to - from + 1) * m_charWidth), viewport()->height() - 2));
    }
    paintRuler(p, firstColumn, lastColumn);

    p.setClipping(false);
    p.fillRect(QRect(0, 0, gutter, viewport()->height()), pal.window());
    p.setPen(pal.color(QPalette::PlaceholderText));
    for (int i = firstLine; i < lineCount() && i < firstLine + rows; ++i)
        p.drawText(QRect(0, header + (i - firstLine) * m_lineHeight, gutter - m_charWidth, m_lineHeight),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(m_lines[size_t(i)].number));
}

void SampleView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || event->position().x() < gutterWidth())
        return;
    m_pressed = true;
    m_dragging = false;
    m_pressPoint = event->position().toPoint();
    m_dragFrom = m_dragTo = columnAt(m_pressPoint.x());
    const int line = lineAt(m_pressPoint.y());
    if (line >= 0 && line != m_selected) {
        setSelectedLine(line);
        emit lineChosen(line);
    }
}

void SampleView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed)
        return;
    const QPoint at = event->position().toPoint();
    // Into the next column is a drag at once; within the column pressed, only a real move is.
    if (!m_dragging && columnAt(at.x()) == m_dragFrom &&
        (at - m_pressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragging = true;
    m_dragTo = columnAt(at.x());
    viewport()->update();
}

void SampleView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressed || event->button() != Qt::LeftButton)
        return;
    m_pressed = false;
    if (!m_dragging)
        return;
    m_dragging = false;
    m_dragTo = columnAt(event->position().toPoint().x());
    viewport()->update();
    emit columnsDragged(std::min(m_dragFrom, m_dragTo), std::max(m_dragFrom, m_dragTo));
}

}  // namespace torvane

#include "report/report_page_painter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextOption>

#include <algorithm>

namespace torvane {

namespace {

QRectF inDevicePixels(const QRectF& inches, double dpi)
{
    return {inches.x() * dpi, inches.y() * dpi, inches.width() * dpi, inches.height() * dpi};
}

}  // namespace

void paintPageHeader(QPainter& painter, double dpi)
{
    using namespace report_geometry;
    painter.save();

    painter.setFont(reportTitleFont());
    painter.setPen(Qt::black);
    QTextOption centred(Qt::AlignHCenter | Qt::AlignTop);
    centred.setWrapMode(QTextOption::WordWrap);
    painter.drawText(inDevicePixels(kTitleBox, dpi), QString::fromLatin1(kReportTitle), centred);

    // The outline sits inside the bar's box, so the bar covers exactly its 7.51 x 0.125 inches.
    const double outline = kOutlineInches * dpi;
    QPen pen(Qt::black);
    pen.setWidthF(outline);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::red);
    const QRectF bar = inDevicePixels(kBarBox, dpi);
    painter.drawRect(bar.adjusted(outline / 2, outline / 2, -outline / 2, -outline / 2));

    painter.restore();
}

void paintReportPage(QPainter& painter, const PageLines& page, const QFont& font, double dpi)
{
    paintPageHeader(painter, dpi);
    if (page.lines.isEmpty())
        return;

    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, painter.device());
    const double step = lineHeight(font, dpi);
    double baseline =
        std::max(report_geometry::kHeaderBandHeight, report_geometry::kDetailTop) * dpi + metrics.ascent();
    for (const QString& line : page.lines) {
        painter.drawText(QPointF(0, baseline), line);
        baseline += step;
    }
    painter.restore();
}

}  // namespace torvane

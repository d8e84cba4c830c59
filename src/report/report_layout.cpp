#include "report/report_layout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace torvane {

namespace {

void mapArialOnce()
{
    static const bool mapped = [] {
        QFont::insertSubstitution("Arial", "Liberation Sans");
        return true;
    }();
    (void)mapped;
}

// Fonts measure against a paint device; a tiny image with the wanted resolution stands in for the
// printer so that layout needs no printer and gives the widths the printer will use.
class ResolutionDevice {
public:
    explicit ResolutionDevice(double dpi) : m_image(1, 1, QImage::Format_Mono)
    {
        const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
        m_image.setDotsPerMeterX(dotsPerMeter);
        m_image.setDotsPerMeterY(dotsPerMeter);
    }
    QPaintDevice* device() { return &m_image; }

private:
    QImage m_image;
};

QString printableText(const QString& line)
{
    QString out;
    out.reserve(line.size());
    for (QChar c : line) {
        if (c == u'\t') {
            const qsizetype spaces = 8 - out.size() % 8;
            out.append(QString(spaces, u' '));
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            out.append(u' ');
        } else {
            out.append(c);
        }
    }
    return out;
}

QStringList wrapOn(QPaintDevice* device, const QString& line, const QFont& font, double width)
{
    const QString text = printableText(line);
    if (text.isEmpty())
        return {QString()};
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList out;
    layout.beginLayout();
    for (QTextLine tl = layout.createLine(); tl.isValid(); tl = layout.createLine()) {
        tl.setLineWidth(width);
        out.append(text.mid(tl.textStart(), tl.textLength()));
    }
    layout.endLayout();
    if (out.isEmpty())
        out.append(QString());
    return out;
}

}  // namespace

QFont reportFont()
{
    mapArialOnce();
    QFont font("Arial");
    font.setPointSize(10);
    return font;
}

QFont reportTitleFont()
{
    mapArialOnce();
    QFont font("Arial");
    font.setPointSize(24);
    return font;
}

PageGeometry pageGeometryFor(double pageWidthInches, double pageHeightInches, double dpi)
{
    using namespace report_geometry;
    PageGeometry g;
    g.dpi = dpi;
    const double printableWidth = pageWidthInches - 2 * kMarginInches;
    g.textWidth = std::min(kDetailWidth, printableWidth) * dpi;
    g.bodyHeight = (pageHeightInches - 2 * kMarginInches - std::max(kHeaderBandHeight, kDetailTop)) * dpi;
    return g;
}

QStringList paneLines(const QString& text)
{
    if (text.isEmpty())
        return {};
    static const QRegularExpression breaks("\r\n|\r|\n");
    QStringList lines = text.split(breaks);
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList wrapLine(const QString& line, const QFont& font, double width, double dpi)
{
    ResolutionDevice device(dpi);
    return wrapOn(device.device(), line, font, width);
}

double lineHeight(const QFont& font, double dpi)
{
    ResolutionDevice device(dpi);
    return QFontMetricsF(font, device.device()).lineSpacing();
}

std::vector<PageLines> layoutPages(const QStringList& lines, const QFont& font, const PageGeometry& geometry)
{
    ResolutionDevice device(geometry.dpi);
    const double step = QFontMetricsF(font, device.device()).lineSpacing();
    std::vector<PageLines> pages(1);
    double used = 0;
    for (const QString& line : lines) {
        for (const QString& printed : wrapOn(device.device(), line, font, geometry.textWidth)) {
            if (used + step > geometry.bodyHeight && !pages.back().lines.isEmpty()) {
                pages.emplace_back();
                used = 0;
            }
            pages.back().lines.append(printed);
            used += step;
        }
    }
    return pages;
}

std::vector<int> pagePrintOrder(int pageCount, int fromPage, int toPage, int copies, bool collate)
{
    int first = 1;
    int last = pageCount;
    if (toPage > 0) {
        first = std::max(1, fromPage);
        last = std::min(pageCount, toPage);
    }
    copies = std::max(1, copies);
    std::vector<int> order;
    if (first > last)
        return order;
    if (collate) {
        for (int c = 0; c < copies; ++c)
            for (int p = first; p <= last; ++p)
                order.push_back(p);
    } else {
        for (int p = first; p <= last; ++p)
            order.insert(order.end(), static_cast<size_t>(copies), p);
    }
    return order;
}

}  // namespace torvane

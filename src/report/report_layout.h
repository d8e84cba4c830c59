// Where the printed report puts things: the page header's title and bar, the report fonts, and the
// split of the pane's text into wrapped lines and pages. Pure functions, so pagination is testable
// without a printer.
#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

namespace torvane {

// Band and component boxes in inches, measured from the top left corner of the printable area
// (inside the 0.5 inch margins).
namespace report_geometry {
inline constexpr double kMarginInches = 0.5;
inline constexpr double kHeaderBandHeight = 0.51;                      // ReportBand1
inline const QRectF kTitleBox{-0.083, 0.0, 7.583, 0.385};              // ReportLabel1
inline const QRectF kBarBox{0.0, 0.417, 7.51, 0.125};                  // ReportShape1
inline constexpr double kDetailWidth = 7.5;                            // ReportMemo1
// The bar reaches 0.032 inch below the header band; the text starts under the bar rather than
// on top of it.
inline constexpr double kDetailTop = 0.417 + 0.125;
// Outlines are one pixel of the 96 pixels per inch the report was drawn at.
inline constexpr double kOutlineInches = 1.0 / 96.0;
}  // namespace report_geometry

inline constexpr const char* kReportTitle = "Torvane Report";

// "Arial" 10 and 24 point. Linux rarely has Arial, so the family is mapped once onto the
// metric-compatible Liberation Sans; text then wraps at the same places as with Arial.
QFont reportFont();
QFont reportTitleFont();

// The space the detail text may use on each page, in device pixels at the given resolution.
struct PageGeometry {
    double dpi = 1200;
    double textWidth = 0;   // the detail text wraps to this width
    double bodyHeight = 0;  // from below the page header down to the bottom margin
};

// A page of 8.5 x 11 inches (or the printer's paper) with the report's margins and header.
PageGeometry pageGeometryFor(double pageWidthInches, double pageHeightInches, double dpi);

struct PageLines {
    QStringList lines;  // wrapped lines, top to bottom
};

// The pane's text as its lines: line breaks are CR LF, LF or CR; a final line break ends the last
// line rather than starting an empty one; an empty text has no lines.
QStringList paneLines(const QString& text);

// One source line as it prints: tabs expanded to stops every 8 characters, other control
// characters shown as blanks, then word-wrapped to the width (a word wider than the line is
// broken). An empty line still takes one printed line.
QStringList wrapLine(const QString& line, const QFont& font, double width, double dpi);

// Height of one printed line in device pixels.
double lineHeight(const QFont& font, double dpi);

// Wraps every line and deals the results onto pages: a new page starts when the next line no
// longer fits above the bottom margin. There is always at least one page (an empty pane prints
// the header alone), and every page carries at least one line when there are lines left, so a
// page too short for one line cannot loop forever.
std::vector<PageLines> layoutPages(const QStringList& lines, const QFont& font, const PageGeometry& geometry);

// The pages a print puts out, 1-based, in order. fromPage/toPage of 0 mean all pages; a range is
// clipped to the document. copies above 1 repeat the pages, as whole sets when collated and page by
// page otherwise (for printers that cannot make copies themselves, such as a PDF file).
std::vector<int> pagePrintOrder(int pageCount, int fromPage, int toPage, int copies, bool collate);

}  // namespace torvane

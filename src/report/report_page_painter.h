// Paints one page of the report: the page header (title and red bar) and the page's lines of the
// detail text. Works on any paint device whose origin is the corner inside the margins.
#pragma once

#include "report/report_layout.h"

class QPainter;

namespace torvane {

// Draws the page header band at the top: the centred title and the red bar with its black outline.
void paintPageHeader(QPainter& painter, double dpi);

// Draws the header and, below it, the lines of the detail text, one line height apart.
void paintReportPage(QPainter& painter, const PageLines& page, const QFont& font, double dpi);

}  // namespace torvane

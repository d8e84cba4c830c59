// The picture of an export file's first lines in a fixed-pitch font: a column ruler above them, the
// columns of the field definitions marked on every line, a chosen line, and columns chosen by dragging
// across the ruler or a line. It knows nothing of the store; the field mapper fills and follows it.
#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace torvane {

class WindowEncodings;

class SampleView : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct Line {
        int64_t number = 0;              // in the file
        std::string bytes;
        std::vector<size_t> offsets;     // where column c (1-based) begins, at [c - 1]; one more than columns
        std::vector<uint32_t> shown;     // bytes of the character drawn in each column; 0: the one before goes on
        bool cut = false;                // the line goes on beyond what is shown
    };
    struct Span {
        enum class Kind { Current, Other, Overlap };
        int64_t first = 0;
        int64_t last = 0;
        Kind kind = Kind::Other;
        QString name;
    };

    explicit SampleView(const WindowEncodings& encodings, QWidget* parent = nullptr);

    void setLines(std::vector<Line> lines);
    void setSpans(std::vector<Span> spans);
    const std::vector<Span>& spans() const { return m_spans; }
    int lineCount() const { return static_cast<int>(m_lines.size()); }
    // The number in the file of the sample line at index.
    int64_t sampleLineNumber(int index) const { return m_lines.at(size_t(index)).number; }
    // The chosen line, -1 for none.
    int selectedLine() const { return m_selected; }
    void setSelectedLine(int index);

    // The middle of a column of a line (-1: the ruler) in the viewport, scrolled into view first.
    QPoint columnPoint(int line, int64_t column);
    // The column under x and the line under y of the viewport (-1 above the first line or below the last).
    int64_t columnAt(int x) const;
    int lineAt(int y) const;

    QSize minimumSizeHint() const override;

signals:
    void lineChosen(int index);
    // The columns from first to last, both included, were dragged across.
    void columnsDragged(int64_t first, int64_t last);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int gutterWidth() const;
    int headerHeight() const;
    int64_t columnCount() const;
    int columnX(int64_t column) const;
    void updateScrollBars();
    void paintRuler(class QPainter& p, int64_t firstColumn, int64_t lastColumn);
    QString cellText(const Line& line, int64_t column) const;

    const WindowEncodings& m_encodings;
    std::vector<Line> m_lines;
    std::vector<Span> m_spans;
    int m_selected = -1;
    int m_charWidth = 8;
    int m_lineHeight = 16;

    bool m_pressed = false;
    bool m_dragging = false;
    QPoint m_pressPoint;
    int64_t m_dragFrom = 0;
    int64_t m_dragTo = 0;
};

}  // namespace torvane

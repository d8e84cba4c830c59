#include "screens/column_mapper.h"

#include "gui/qt_text.h"
#include "posting/field_preview.h"
#include "posting/record_encoding.h"
#include "posting/sample_lines.h"
#include "screens/sample_view.h"
#include "store/data_module.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/error_handler.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace torvane {

namespace {

const char* const kNoFileMessage = "No export file named: File To Upload To Web (page Application) gives the sample.";
const char* const kNoRecordsMessage = "The export file has no records after the lines skipped before importing data.";

// The key of a sample: it is read again only when one of these changes (or the page is shown again).
std::string sampleKey(const TableView& settings)
{
    return settings.text("ImportData") + '\n' + settings.displayText("LinesToRead") + '\n' +
           settings.text("ExportEncoding") + '\n' + settings.text("ColumnsIn");
}

// The encoding the windows draw the export file's characters in; UTF-8 when none (or no known one) is named.
std::string drawingEncoding(const TableView& settings)
{
    const std::string named = settings.text("ExportEncoding");
    return isKnownEncoding(named) ? named : std::string("UTF-8");
}

QString quotedText(const WindowEncodings& encodings, const std::string& bytes)
{
    return QLatin1Char('"') + encodings.storeText(bytes) + QLatin1Char('"');
}

}  // namespace

ColumnMapper::ColumnMapper(TDataModule1& data, const WindowEncodings& encodings, QWidget* parent)
    : QWidget(parent), m_data(data), m_encodings(encodings),
      m_fieldsSubscription(data.FieldsTable, [this] { scheduleRefresh(); }),
      m_settingsSubscription(data.SettingsTable, [this] { scheduleRefresh(); })
{
    setObjectName(QStringLiteral("ColumnMapper"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("SampleMessageLabel"));
    m_message->setWordWrap(false);
    layout->addWidget(m_message);

    m_body = new QWidget(this);
    auto* body = new QVBoxLayout(m_body);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(2);
    m_view = new SampleView(encodings, m_body);
    m_view->setObjectName(QStringLiteral("SampleView"));
    body->addWidget(m_view, 1);
    m_value = new QLabel(m_body);
    m_value->setObjectName(QStringLiteral("FieldValueLabel"));
    m_value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    body->addWidget(m_value);
    m_warnings = new QLabel(m_body);
    m_warnings->setObjectName(QStringLiteral("FieldWarningsLabel"));
    m_warnings->setWordWrap(true);
    body->addWidget(m_warnings);
    m_dataString = new QPlainTextEdit(m_body);
    m_dataString->setObjectName(QStringLiteral("DataStringEdit"));
    m_dataString->setReadOnly(true);
    m_dataString->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_dataString->setFont(m_view->font());
    m_dataString->setFixedHeight(m_dataString->fontMetrics().lineSpacing() * 4 + 2 * m_dataString->frameWidth() +
                                  2 * int(m_dataString->document()->documentMargin()) + 2);
    body->addWidget(m_dataString);
    layout->addWidget(m_body, 1);

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] { guarded([this] { refresh(); }); });
    connect(m_view, &SampleView::lineChosen, this, [this] { guarded([this] { refresh(); }); });
    connect(m_view, &SampleView::columnsDragged, this,
            [this](int64_t first, int64_t last) { guarded([&] { onColumnsDragged(first, last); }); });
}

ColumnMapper::~ColumnMapper() = default;

void ColumnMapper::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    reload();
}

void ColumnMapper::reload()
{
    m_sampleRead = false;
    refresh();
}

void ColumnMapper::scheduleRefresh()
{
    // The views announce every keystroke; the picture follows once the burst is over, and only while seen.
    if (isVisible())
        m_refreshTimer.start();
}

void ColumnMapper::readSample()
{
    const TableView& settings = m_data.SettingsTable;
    const std::string key = sampleKey(settings);
    if (m_sampleRead && key == m_sampleKey)
        return;
    m_sampleKey = key;
    m_sampleRead = true;
    m_problem.clear();
    m_texts.clear();

    std::vector<SampleView::Line> lines;
    const std::string path = settings.isOpen() ? settings.text("ImportData") : std::string();
    RecordEncoding encoding;
    try {
        // The columns a run counts: bytes, or the characters of the export encoding.
        encoding = RecordEncoding::fromSettings(settings);
    } catch (const Error& e) {
        m_problem = e.what();
    }
    if (m_problem.empty() && path.empty())
        m_problem = kNoFileMessage;
    if (m_problem.empty()) {
        try {
            const CharacterCutter* columns = encoding.columns();
            const CharacterCutter drawing(drawingEncoding(settings));
            for (SampleLine& sample : readSampleLines(path, settings.integer("LinesToRead", 0))) {
                SampleView::Line line;
                line.number = sample.lineNumber;
                line.offsets = columnOffsets(sample.text, columns);
                line.shown.assign(line.offsets.size() - 1, 0);
                // Each character is drawn in the first column it takes; in bytes, a character of several
                // bytes takes several columns.
                size_t column = 0;
                for (size_t at = 0; at < sample.text.size(); ++column) {
                    const size_t length = drawing.characterLength(sample.text, at);
                    line.shown[column] = static_cast<uint32_t>(length);
                    at += length;
                    if (!columns)
                        column += length - 1;
                }
                line.cut = sample.cut;
                line.bytes = sample.text;
                m_texts.push_back(std::move(sample.text));
                lines.push_back(std::move(line));
            }
            if (lines.empty())
                m_problem = kNoRecordsMessage;
        } catch (const Error& e) {
            m_problem = std::string("The export file cannot be read: ") + e.what();
        }
    }
    m_view->setLines(std::move(lines));
}

void ColumnMapper::refresh()
{
    readSample();
    const bool haveSample = !m_texts.empty();
    m_message->setText(m_encodings.storeText(m_problem));
    m_message->setVisible(!m_problem.empty());
    m_body->setVisible(haveSample);
    if (!haveSample)
        return;

    TableView& fields = m_data.FieldsTable;
    const OrderedDefinitions ordered = definitionsInRunOrder(fields);
    const int currentRow = fields.recNo();
    size_t current = 0;
    bool haveCurrent = false;
    for (size_t i = 0; i < ordered.rows.size(); ++i)
        if (ordered.rows[i] == currentRow) {
            current = i;
            haveCurrent = true;
        }

    std::vector<SampleView::Span> spans;
    const std::vector<ColumnRange> ranges = lineMappedRanges(ordered.fields);
    for (const ColumnRange& r : ranges)
        spans.push_back({r.first, r.last,
                         haveCurrent && r.field == current ? SampleView::Span::Kind::Current
                                                           : SampleView::Span::Kind::Other,
                         m_encodings.storeText(ordered.fields[r.field].Name)});
    // The current field's columns over the others, and the overlaps over all.
    std::stable_partition(spans.begin(), spans.end(),
                          [](const SampleView::Span& s) { return s.kind == SampleView::Span::Kind::Other; });
    for (const ColumnOverlap& o : columnOverlaps(ranges))
        spans.push_back({o.first, o.last, SampleView::Span::Kind::Overlap, {}});
    m_view->setSpans(std::move(spans));
    showPreview(ordered.fields, current, haveCurrent);
}

void ColumnMapper::showPreview(const std::vector<FieldSettings>& definitions, size_t current, bool haveCurrent)
{
    const int selected = m_view->selectedLine();
    if (!haveCurrent || selected < 0) {
        m_value->setText(QStringLiteral("No field definition is chosen."));
        m_warnings->clear();
        m_dataString->clear();
        return;
    }
    const FieldSettings& field = definitions[current];
    const QString where = QStringLiteral("Line %1: ").arg(m_view->sampleLineNumber(selected));
    try {
        const FieldPreview preview = previewField(m_data, definitions, current, m_texts[size_t(selected)]);
        m_value->setText(where +
                         (preview.makesEntry
                              ? m_encodings.storeText(field.Name) + QStringLiteral(" sends ") +
                                    quotedText(m_encodings, preview.value)
                              : m_encodings.storeText(field.Name) + QStringLiteral(" makes no entry")));
        QStringList warnings;
        for (const std::string& w : preview.warnings)
            warnings << m_encodings.storeText(w);
        m_warnings->setText(warnings.isEmpty() ? QStringLiteral("No warnings.")
                                               : QStringLiteral("Warnings: ") + warnings.join(QStringLiteral("; ")));
        QStringList entries;
        for (const std::string& e : preview.dataString)
            entries << m_encodings.formText(e);
        m_dataString->setPlainText(entries.join(QLatin1Char('\n')));
    } catch (const Error& e) {
        m_value->setText(where + m_encodings.storeText(e.what()));
        m_warnings->clear();
        m_dataString->clear();
    }
}

void ColumnMapper::onColumnsDragged(int64_t first, int64_t last)
{
    TableView& fields = m_data.FieldsTable;
    // No definition, nothing to map: a drag on an empty table does not start a new row.
    if (!fields.isOpen() || fields.isEmpty())
        return;
    // As if typed into the two boxes: the row goes into editing and Save (or leaving the row) keeps it.
    fields.setInteger("ImportStart", static_cast<int32_t>(std::min<int64_t>(first, INT32_MAX)));
    fields.setInteger("ImportLength", static_cast<int32_t>(std::min<int64_t>(last - first + 1, INT32_MAX)));
    refresh();
}

}  // namespace torvane

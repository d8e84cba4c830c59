#include "screens/db_controls.h"

#include "gui/qt_text.h"
#include "store/cell.h"
#include "util/error.h"
#include "util/error_handler.h"
#include "util/scoped_value.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>

namespace torvane {

namespace {

// The flag is set for the duration of a write, so the control does not reload itself from the
// notification its own write causes.
using WriteScope = ScopedValue<bool>;

}  // namespace

void updateRecord(const QWidget& window, TableView& view)
{
    // Copied first: a flush lets the view notify its observers, which may rebuild a page.
    const QList<DBEdit*> edits = window.findChildren<DBEdit*>();
    for (DBEdit* edit : edits) {
        if (&edit->view() == &view)
            edit->flush();
    }
}

ViewSubscription::ViewSubscription(TableView& view, TableView::Observer observer)
    : m_view(view), m_id(view.subscribe(std::move(observer)))
{
}

ViewSubscription::~ViewSubscription()
{
    m_view.unsubscribe(m_id);
}

// ---- DBEdit ----

DBEdit::DBEdit(const WindowEncodings& encodings, DataSource& source, std::string field, QWidget* parent)
    : QLineEdit(parent), m_encodings(encodings), m_view(source.DataSet), m_field(std::move(field)),
      m_subscription(m_view, [this] { refresh(); })
{
    m_view.tableDef().field(m_field);
    connect(this, &QLineEdit::textEdited, this, &DBEdit::onTextEdited);
    refresh();
}

void DBEdit::refresh()
{
    if (m_writing)
        return;
    if (m_unwritten) {
        // The operator's text stays in the box while its row is still being edited.
        if (m_view.state() != TableView::State::Browse && m_view.recNo() == m_unwrittenRow)
            return;
        m_unwritten = false;
    }
    const QString shown = m_view.isOpen() ? m_encodings.storeText(m_view.displayText(m_field)) : QString();
    if (shown != text())
        setText(shown);
}

void DBEdit::onTextEdited(const QString& text)
{
    guarded([&] {
        WriteScope scope(m_writing, true);
        const std::string bytes = m_encodings.storeBytes(text);
        bool fits = true;
        Cell value;
        try {
            value = cellFromText(bytes, m_view.tableDef().field(m_field));
        } catch (const Error&) {
            fits = false;
        }
        if (m_view.state() == TableView::State::Browse)
            m_view.edit();
        if (fits) {
            m_unwritten = false;
            m_view.setCell(m_field, value);
        } else {
            m_unwritten = true;
            m_unwrittenRow = m_view.recNo();
        }
    });
}

void DBEdit::flush()
{
    if (!m_unwritten)
        return;
    {
        WriteScope scope(m_writing, true);
        m_view.setText(m_field, m_encodings.storeBytes(text()));
        m_unwritten = false;
    }
    refresh();
}

// ---- DBCheckBox ----

DBCheckBox::DBCheckBox(DataSource& source, std::string field, const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent),
      m_view(source.DataSet),
      m_field(std::move(field)),
      m_subscription(m_view, [this] { refresh(); })
{
    m_view.tableDef().field(m_field);
    connect(this, &QCheckBox::clicked, this, [this](bool ticked) {
        const bool ok = guarded([&] {
            WriteScope scope(m_writing, true);
            m_view.setLogical(m_field, ticked);
        });
        if (!ok)
            refresh();
    });
    refresh();
}

void DBCheckBox::refresh()
{
    if (m_writing)
        return;
    const bool ticked = m_view.isOpen() && m_view.logical(m_field, false);
    if (ticked != isChecked())
        setChecked(ticked);
}

// ---- DBChoiceBox ----

DBChoiceBox::DBChoiceBox(const WindowEncodings& encodings, DataSource& source, std::string field,
                         QWidget* parent)
    : QComboBox(parent), m_encodings(encodings), m_view(source.DataSet), m_field(std::move(field))
{
    m_view.tableDef().field(m_field);
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const bool ok = guarded([&] {
            WriteScope scope(m_writing, true);
            m_view.setText(m_field, m_encodings.storeBytes(itemText(index)));
        });
        if (!ok)
            refresh();
    });
}

void DBChoiceBox::showValue(bool blankIsAChoice)
{
    const QString value = m_view.isOpen() ? m_encodings.storeText(m_view.displayText(m_field)) : QString();
    const int index = (value.isEmpty() && !blankIsAChoice)
                          ? -1
                          : findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index != currentIndex()) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index);
    }
}

// ---- DBComboBox ----

DBComboBox::DBComboBox(const WindowEncodings& encodings, DataSource& source, std::string field,
                       const std::vector<std::string>& choices, QWidget* parent, bool typed)
    : DBChoiceBox(encodings, source, std::move(field), parent), m_subscription(m_view, [this] { refresh(); })
{
    for (const std::string& choice : choices)
        addItem(m_encodings.storeText(choice));
    if (typed) {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);
        connect(lineEdit(), &QLineEdit::editingFinished, this, [this] {
            if (!m_view.isOpen() || m_encodings.storeText(m_view.displayText(m_field)) == currentText())
                return;
            const bool ok = guarded([&] {
                WriteScope scope(m_writing, true);
                m_view.setText(m_field, m_encodings.storeBytes(currentText()));
            });
            if (!ok)
                refresh();
        });
    }
    refresh();
}

void DBComboBox::refresh()
{
    if (m_writing)
        return;
    showValue(true);
    if (isEditable() && m_view.isOpen()) {
        const QSignalBlocker blocker(this);
        setEditText(m_encodings.storeText(m_view.displayText(m_field)));
    }
}

// ---- DBLookupComboBox ----

DBLookupComboBox::DBLookupComboBox(const WindowEncodings& encodings, DataSource& source, std::string field,
                                   DataSource& listSource, std::string listField, QWidget* parent)
    : DBChoiceBox(encodings, source, std::move(field), parent), m_listView(listSource.DataSet),
      m_listField(std::move(listField)), m_subscription(m_view, [this] { refresh(); }),
      m_listSubscription(m_listView, [this] { listChanged(); })
{
    m_listTimer.setSingleShot(true);
    m_listTimer.setInterval(0);
    connect(&m_listTimer, &QTimer::timeout, this, &DBLookupComboBox::refreshList);
    m_listView.tableDef().field(m_listField);
    refreshList();
}

void DBLookupComboBox::listChanged()
{
    m_listDirty = true;
    m_listTimer.start();
}

void DBLookupComboBox::showPopup()
{
    if (m_listDirty)
        refreshList();
    QComboBox::showPopup();
}

void DBLookupComboBox::refreshList()
{
    m_listDirty = false;
    m_listTimer.stop();
    QStringList names;
    const int rows = m_listView.recordCount();
    for (int i = 0; i < rows; ++i)
        names << m_encodings.storeText(cellDisplayText(m_listView.cellAt(i, m_listField),
                                                       m_listView.tableDef().field(m_listField).kind));
    QStringList current;
    for (int i = 0; i < count(); ++i)
        current << itemText(i);
    if (names != current) {
        const QSignalBlocker blocker(this);
        clear();
        addItems(names);
    }
    refresh();
}

void DBLookupComboBox::refresh()
{
    if (m_writing)
        return;
    if (m_listDirty) {
        refreshList();
        return;
    }
    // A blank field chooses nothing, even when the list holds a blank name.
    showValue(false);
}

// ---- DBGrid ----

class DBGrid::Model : public QAbstractTableModel {
public:
    Model(const WindowEncodings& encodings, TableView& view, std::vector<Column> columns, QObject* parent)
        : QAbstractTableModel(parent), m_encodings(encodings), m_view(view), m_columns(std::move(columns))
    {
        for (const Column& c : m_columns)
            m_kinds.push_back(m_view.tableDef().field(c.field).kind);
        m_rows = m_view.recordCount();
        m_currentRow = m_view.recNo();
        m_currentState = m_view.state();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        if (index.row() >= m_view.recordCount())
            return {};
        const size_t col = static_cast<size_t>(index.column());
        return m_encodings.storeText(
            cellDisplayText(m_view.cellAt(index.row(), m_columns[col].field), m_kinds[col]));
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Horizontal)
            return section >= 0 && section < static_cast<int>(m_columns.size())
                       ? m_columns[static_cast<size_t>(section)].title
                       : QVariant();
        // The row indicator: where the current row is and whether it is being edited or inserted.
        if (section != m_currentRow)
            return QString();
        switch (m_currentState) {
        case TableView::State::Edit:
            return QStringLiteral("I");
        case TableView::State::Insert:
            return QStringLiteral("*");
        default:
            return QStringLiteral("\u25B6");
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    // Brings the model up to the view's rows: a changed row count resets it, otherwise only the shown
    // values are repainted.
    void sync()
    {
        m_currentRow = m_view.recNo();
        m_currentState = m_view.state();
        const int rows = m_view.recordCount();
        if (rows != m_rows) {
            beginResetModel();
            m_rows = rows;
            endResetModel();
        } else if (m_rows > 0) {
            emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
            emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
        }
    }

private:
    const WindowEncodings& m_encodings;
    TableView& m_view;
    std::vector<Column> m_columns;
    std::vector<FieldKind> m_kinds;
    int m_rows = 0;
    int m_currentRow = -1;
    TableView::State m_currentState = TableView::State::Browse;
};

DBGrid::DBGrid(const WindowEncodings& encodings, DataSource& source, std::vector<Column> columns,
               QWidget* parent)
    : QTableView(parent), m_view(source.DataSet), m_model(nullptr),
      m_subscription(m_view, [this] { m_followTimer.start(); })
{
    m_followTimer.setSingleShot(true);
    m_followTimer.setInterval(0);
    connect(&m_followTimer, &QTimer::timeout, this, &DBGrid::followView);
    m_model = new Model(encodings, m_view, std::move(columns), this);
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Sizes come from the rows in sight only: a table of thousands of rows is not read to lay out a header.
    verticalHeader()->setResizeContentsPrecision(0);
    horizontalHeader()->setResizeContentsPrecision(0);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("\u25B6")) + 8);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    onCurrentRowChanged(current.row());
            });
    followView();
}

DBGrid::~DBGrid() = default;

void DBGrid::onCurrentRowChanged(int row)
{
    if (m_syncing)
        return;
    const bool ok = guarded([&] {
        if (row == m_view.recNo())
            return;
        updateRecord(*window(), m_view); // the boxes of this window bound to the same view
        m_view.moveTo(row);
    });
    // A refused move (a pending row the store would not save) leaves the view where it was.
    if (!ok)
        followView();
}

void DBGrid::followView()
{
    if (!m_model)
        return;
    m_followTimer.stop();
    WriteScope scope(m_syncing, true);
    m_model->sync();
    const int row = m_view.recNo();
    if (row < 0) {
        selectionModel()->clearSelection();
        return;
    }
    const int column = std::max(0, currentIndex().column());
    const QModelIndex target = m_model->index(row, column);
    if (currentIndex() != target || !selectionModel()->isRowSelected(row, {})) {
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
    }
    scrollTo(target);
}

void DBGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
        event->accept();
        guarded([&] {
            if (m_view.isEmpty())
                return;
            const std::string caption = "Confirm", text = "Delete record?";
            const bool ok = m_confirm ? m_confirm(caption, text)
                                      : QMessageBox::question(this, QString::fromStdString(caption),
                                                              QString::fromStdString(text),
                                                              QMessageBox::Ok | QMessageBox::Cancel,
                                                              QMessageBox::Cancel) == QMessageBox::Ok;
            if (ok)
                m_view.remove();
        });
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace torvane

// Data-aware controls: widgets bound to one field of a data source's view. They show the field of the
// view's current row, write the operator's changes back into that row, and follow the view when it
// changes (another control, a button, a posting run or a statement). No control keeps a copy of the data.
#pragma once

#include "store/table_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace torvane {

class WindowEncodings;

// Writes every operator text of the window's controls bound to this view that is still waiting to be
// written (a partial number, say) into the view; throws the store's error when a text does not fit its
// field. Everything that saves or leaves a row calls it first, so no typed text is silently lost. The
// window is whatever holds the text boxes: it alone knows which boxes are alive.
void updateRecord(const QWidget& window, TableView& view);

// Subscription to a view that ends with its owner; the view must outlive it.
class ViewSubscription {
public:
    ViewSubscription(TableView& view, TableView::Observer observer);
    ~ViewSubscription();
    ViewSubscription(const ViewSubscription&) = delete;
    ViewSubscription& operator=(const ViewSubscription&) = delete;

private:
    TableView& m_view;
    int m_id;
};

// A text box. Every keystroke puts the row into editing and writes the text at once when it fits the
// field's kind, so readers of the view get the pending value; a text that does not fit yet (a number
// being typed, "-" or "1a") waits in the box and is written, or refused with the store's message, by
// updateRecord() when the row is saved or left.
class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    DBEdit(const WindowEncodings& encodings, DataSource& source, std::string field,
           QWidget* parent = nullptr);

    TableView& view() const { return m_view; }
    const std::string& field() const { return m_field; }
    // True while the box holds operator text not yet written into the row.
    bool hasUnwrittenText() const { return m_unwritten; }
    // Writes text waiting in the box; throws the store's error when it does not fit the field.
    void flush();

private:
    void refresh();
    void onTextEdited(const QString& text);

    const WindowEncodings& m_encodings;
    TableView& m_view;
    std::string m_field;
    ViewSubscription m_subscription;
    bool m_writing = false;
    bool m_unwritten = false;
    int m_unwrittenRow = -1;
};

// A check box for a logical field: ticked writes True, cleared writes False; a blank field shows an
// empty box.
class DBCheckBox : public QCheckBox {
    Q_OBJECT
public:
    DBCheckBox(DataSource& source, std::string field, const QString& caption, QWidget* parent = nullptr);

private:
    void refresh();

    TableView& m_view;
    std::string m_field;
    ViewSubscription m_subscription;
    bool m_writing = false;
};

// What the two drop-down controls share: the bound field, writing the chosen entry's text into it,
// and showing the field's value as the chosen entry.
class DBChoiceBox : public QComboBox {
    Q_OBJECT
public:
    DBChoiceBox(const WindowEncodings& encodings, DataSource& source, std::string field, QWidget* parent);

protected:
    virtual void refresh() = 0;
    // Chooses the entry whose text is the field's value, or none; a blank field chooses the empty
    // entry when blankIsAChoice, and nothing otherwise.
    void showValue(bool blankIsAChoice);

    const WindowEncodings& m_encodings;
    TableView& m_view;
    std::string m_field;
    bool m_writing = false;
};

// A drop-down list of fixed choices; nothing else can be typed unless typed is set, when a text typed
// in is stored as it stands once editing ends. A stored value that is not among the choices shows an
// empty box, or the value itself in a box that takes typing.
class DBComboBox : public DBChoiceBox {
    Q_OBJECT
public:
    DBComboBox(const WindowEncodings& encodings, DataSource& source, std::string field,
               const std::vector<std::string>& choices, QWidget* parent = nullptr, bool typed = false);

private:
    void refresh() override;

    ViewSubscription m_subscription;
};

// A drop-down choice of one field of every row of another view (the lookup list); choosing an entry
// stores its text in the bound field. The list follows the lookup view as its rows change: it is
// rebuilt once the burst of changes is over (an import appends hundreds of rows in one go), or at
// once when the list is opened or the bound field changes.
class DBLookupComboBox : public DBChoiceBox {
    Q_OBJECT
public:
    DBLookupComboBox(const WindowEncodings& encodings, DataSource& source, std::string field,
                     DataSource& listSource, std::string listField, QWidget* parent = nullptr);

    void showPopup() override;
    // Brings the list up to the lookup view now.
    void refreshList();

private:
    void listChanged();
    void refresh() override;

    TableView& m_listView;
    std::string m_listField;
    ViewSubscription m_subscription;
    ViewSubscription m_listSubscription;
    QTimer m_listTimer;
    bool m_listDirty = true;
};

// A read-only grid over a view: one column per field with its title, the current row follows the
// view and choosing a row moves the view there. The grid catches up with the view once a burst of
// changes is over (an import or a posting run writes many rows without a pause), not at each change. Ctrl+Delete deletes the current row after the question
// "Delete record?" (OK/Cancel).
class DBGrid : public QTableView {
    Q_OBJECT
public:
    struct Column {
        std::string field;
        QString title;
    };
    DBGrid(const WindowEncodings& encodings, DataSource& source, std::vector<Column> columns,
           QWidget* parent = nullptr);
    ~DBGrid() override;

    // Asks an OK/Cancel question (caption, text); true for OK. A message box when not set.
    using Confirm = std::function<bool(const std::string& caption, const std::string& text)>;
    void setConfirm(Confirm confirm) { m_confirm = std::move(confirm); }
    // Brings rows, values and the current row up to the view now.
    void followView();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Model;
    void onCurrentRowChanged(int row);

    TableView& m_view;
    Model* m_model;
    ViewSubscription m_subscription;
    QTimer m_followTimer;
    Confirm m_confirm;
    bool m_syncing = false;
};

}  // namespace torvane

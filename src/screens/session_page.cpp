#include "screens/session_page.h"

#include "screens/page_widgets.h"

#include "gui/qt_text.h"
#include "screens/db_controls.h"
#include "store/table_view.h"
#include "util/error_handler.h"
#include "util/scoped_value.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace torvane {

namespace {

// A text box of several lines for a text setting, one name=value per line. Any text fits a text
// field, so each change is written at once and nothing waits to be saved.
class DBMemo : public QPlainTextEdit {
public:
    DBMemo(const WindowEncodings& encodings, DataSource& source, const char* field, QWidget* parent)
        : QPlainTextEdit(parent), m_encodings(encodings), m_view(source.DataSet), m_field(field),
          m_subscription(m_view, [this] { refresh(); })
    {
        m_view.tableDef().field(m_field);
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            guarded([this] {
                // Set before the row goes into editing too: the notice of a new row must not reload
                // the box over the operator's text.
                const ScopedValue writing(m_writing, true);
                const std::string text = m_encodings.storeBytes(toPlainText());
                if (m_view.state() == TableView::State::Browse)
                    m_view.edit();
                m_view.setText(m_field, text);
            });
        });
        refresh();
    }

private:
    void refresh()
    {
        if (m_writing)
            return;
        const QString shown = m_view.isOpen() ? m_encodings.storeText(m_view.text(m_field)) : QString();
        if (shown == toPlainText())
            return;
        const QSignalBlocker quiet(this);
        setPlainText(shown);
    }

    const WindowEncodings& m_encodings;
    TableView& m_view;
    std::string m_field;
    ViewSubscription m_subscription;
    bool m_writing = false;
};

}  // namespace

QWidget* buildSessionPage(DataSource& src, const WindowEncodings& enc)
{
    auto* page = named(new QWidget, "SessionSheet");
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(4);
    auto* loginUrl = named(new DBEdit(enc, src, "LoginURL", page), "LoginURLEdit");
    auto* loginData = named(new DBMemo(enc, src, "LoginData", page), "LoginDataMemo");
    auto* checkText = named(new DBEdit(enc, src, "LoginCheckText", page), "LoginCheckTextEdit");
    auto* formUrl = named(new DBEdit(enc, src, "FormURL", page), "FormURLEdit");
    auto* refresh = named(new DBCheckBox(src, "RefreshHidden", QStringLiteral("Refresh Hidden Fields Before Each Record"),
                                         page),
                          "RefreshHiddenCheckBox");
    auto* hint = named(new QLabel(QStringLiteral("One name=value per line. Write a password as <nobr>${NAME}</nobr>: "
                                                 "it is taken from the environment variable NAME or asked for "
                                                 "once, never stored, and shown as ********."),
                                  page),
                       "LoginDataHint");
    hint->setTextFormat(Qt::RichText);
    hint->setWordWrap(true);
    addCaptioned(grid, page, QStringLiteral("Login URL:"), loginUrl, 0, 0);
    grid->addWidget(label(QStringLiteral("Login Data:"), loginData, page), 1, 0, Qt::AlignTop);
    grid->addWidget(loginData, 1, 1);
    grid->addWidget(hint, 2, 1);
    addCaptioned(grid, page, QStringLiteral("Login Check Text:"), checkText, 3, 0);
    addCaptioned(grid, page, QStringLiteral("Form URL:"), formUrl, 4, 0);
    grid->addWidget(refresh, 5, 1);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

}  // namespace torvane

// Small helpers the settings dialog's pages build their widgets with: widgets named for the tests that
// find them, captions bound to their controls, tight layouts, button columns and the pages' grids.
#pragma once

#include "screens/db_controls.h"
#include "util/error_handler.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

#include <functional>
#include <vector>

namespace torvane {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

inline QLabel* label(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

// A control and its caption in a grid: the caption at (row, column), the control right of it over
// span columns.
void addCaptioned(QGridLayout* grid, QWidget* parent, const QString& caption, QWidget* control, int row, int column,
                  int span = 1);

// A text box for a number or a short word.
DBEdit* shortEdit(DBEdit* edit, int chars = 8);

QPushButton* button(const char* name, const QString& caption, QWidget* parent);

// Runs a button's work; an error ends the work and is reported, never reaching the event loop.
template <typename Work> void onClick(QPushButton* b, QObject* context, Work work)
{
    QObject::connect(b, &QPushButton::clicked, context, [work] { guarded(work); });
}

// Layouts of the dialog are kept tight so the pages fit the dialog's small frame.
template <typename L> L* tight(L* layout, int margin = 6)
{
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(4);
    return layout;
}

struct ButtonDef {
    const char* name;
    const char* caption;
    std::function<void()> work;
};

// The buttons at the right of a page, top to bottom.
QVBoxLayout* buttonColumn(const std::vector<ButtonDef>& buttons, QWidget* page, QObject* context);

// A page's grid; it only chooses the current row, and Ctrl+Delete asks before deleting it.
DBGrid* dataGrid(const WindowEncodings& encodings, DataSource& source, std::vector<DBGrid::Column> columns,
                 const char* name, QWidget* page, DBGrid::Confirm confirm);

}  // namespace torvane

#include "screens/page_widgets.h"

namespace torvane {

void addCaptioned(QGridLayout* grid, QWidget* parent, const QString& caption, QWidget* control, int row, int column,
                  int span)
{
    grid->addWidget(label(caption, control, parent), row, column);
    grid->addWidget(control, row, column + 1, 1, span);
}

DBEdit* shortEdit(DBEdit* edit, int chars)
{
    const int digit = edit->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    edit->setMinimumWidth(digit * 5 + 12);
    edit->setMaximumWidth(digit * chars + 16);
    return edit;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QVBoxLayout* buttonColumn(const std::vector<ButtonDef>& buttons, QWidget* page, QObject* context)
{
    auto* column = new QVBoxLayout;
    for (const ButtonDef& def : buttons) {
        auto* b = button(def.name, QString::fromLatin1(def.caption), page);
        onClick(b, context, def.work);
        column->addWidget(b);
    }
    column->addStretch(1);
    return column;
}

DBGrid* dataGrid(const WindowEncodings& encodings, DataSource& source, std::vector<DBGrid::Column> columns,
                 const char* name, QWidget* page, DBGrid::Confirm confirm)
{
    auto* grid = new DBGrid(encodings, source, std::move(columns), page);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setConfirm(std::move(confirm));
    return grid;
}

}  // namespace torvane

#include "screens/fields_page.h"

#include "screens/column_mapper.h"
#include "screens/page_widgets.h"
#include "store/data_module.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>

#include <string>
#include <vector>

namespace torvane {

namespace {

// The three formats of old, then the patterns today's forms ask for most; any other pattern can be typed.
const std::vector<std::string> kFormats = {"",
                                           "YYYYMMDD To MM/DD/YY",
                                           "HHMM To HH:MM",
                                           "HHMM To HH:MM AM/PM",
                                           "YYYYMMDD To YYYY-MM-DD",
                                           "MMDDYYYY To YYYY-MM-DD",
                                           "MMDDYY To YYYY-MM-DD",
                                           "YYYYMMDD To MM/DD/YYYY",
                                           "DDMMYYYY To MM/DD/YYYY",
                                           "MMDDYY To DD.MM.YYYY",
                                           "HHMMSS To HH:MM:SS"};

}  // namespace

QWidget* buildFieldsPage(TDataModule1& data, const WindowEncodings& enc, const GridPageActions& actions,
                         QObject* context)
{
    auto* page = named(new QWidget, "TabSheet2");
    DataSource& src = data.FieldsSource;
    auto* layout = tight(new QVBoxLayout(page), 4);

    layout->addWidget(dataGrid(enc, src,
                               {{"OrderNum", QStringLiteral("Order Number")},
                                {"Name", QStringLiteral("Field Name")},
                                {"Type", QStringLiteral("Type")}},
                               "DBGrid1", page, actions.confirm),
                      1);

    auto* lower = new QHBoxLayout;
    auto* group = named(new QGroupBox(QStringLiteral("Fields"), page), "GroupBox4");
    {
        auto* grid = tight(new QGridLayout(group));
        auto* order = named(shortEdit(new DBEdit(enc, src, "OrderNum", group)), "DBEdit5");
        auto* type = named(new DBEdit(enc, src, "Type", group), "DBEdit7");
        auto* name = named(new DBEdit(enc, src, "Name", group), "DBEdit6");
        auto* length = named(shortEdit(new DBEdit(enc, src, "MaxLength", group)), "DBEdit8");
        auto* overflow = named(new DBCheckBox(src, "Overflow", QStringLiteral("Fill Next Field"), group),
                               "DBCheckBox1");
        auto* required = named(new DBCheckBox(src, "Required", QStringLiteral("Required"), group), "DBCheckBox2");
        auto* zero = named(new DBCheckBox(src, "ZeroValid", QStringLiteral("Zero Valid"), group), "DBCheckBox5");
        auto* start = named(shortEdit(new DBEdit(enc, src, "ImportStart", group)), "DBEdit9");
        auto* importLength = named(shortEdit(new DBEdit(enc, src, "ImportLength", group)), "DBEdit10");
        auto* def = named(new DBEdit(enc, src, "DefaultValue", group), "DBEdit11");
        auto* format = named(new DBComboBox(enc, src, "Format", kFormats, group, true), "DBComboBox1");

        addCaptioned(grid, group, QStringLiteral("Order:"), order, 0, 0);
        addCaptioned(grid, group, QStringLiteral("Type:"), type, 0, 2);
        addCaptioned(grid, group, QStringLiteral("Field Name:"), name, 1, 0, 3);
        addCaptioned(grid, group, QStringLiteral("Field Length:"), length, 2, 0);
        addCaptioned(grid, group, QStringLiteral("Import Start:"), start, 2, 2);
        addCaptioned(grid, group, QStringLiteral("Import Length:"), importLength, 3, 0);
        addCaptioned(grid, group, QStringLiteral("Default:"), def, 3, 2);
        addCaptioned(grid, group, QStringLiteral("Format:"), format, 4, 0, 3);
        auto* checks = new QHBoxLayout;
        checks->addWidget(overflow);
        checks->addWidget(required);
        checks->addWidget(zero);
        checks->addStretch(1);
        grid->addLayout(checks, 5, 0, 1, 4);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(3, 1);
    }
    lower->addWidget(group, 1);

    lower->addLayout(buttonColumn({{"InsertB", "Insert", actions.insert},
                                   {"SaveB", "Save", actions.save},
                                   {"DeleteB", "Delete", actions.remove}},
                                  page, context));
    layout->addLayout(lower);
    // The export file's first records with the fields' columns on them, to map columns by dragging; the
    // grid keeps seven rows in sight above it.
    layout->addWidget(new ColumnMapper(data, enc, page), 2);
    auto* fieldsGrid = page->findChild<DBGrid*>(QStringLiteral("DBGrid1"));
    fieldsGrid->setMinimumHeight(fieldsGrid->verticalHeader()->defaultSectionSize() * 8 + 4);
    return page;
}

}  // namespace torvane

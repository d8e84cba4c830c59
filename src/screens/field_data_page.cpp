#include "screens/field_data_page.h"

#include "screens/page_widgets.h"
#include "store/data_module.h"
#include "util/product_info.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>

namespace torvane {

QWidget* buildFieldDataPage(TDataModule1& data, const WindowEncodings& enc, const GridPageActions& actions,
                            QObject* context)
{
    auto* page = named(new QWidget, "TabSheet3");
    DataSource& src = data.SelDataSource;
    auto* layout = tight(new QVBoxLayout(page), 4);

    layout->addWidget(dataGrid(enc, src,
                               {{"Name", QStringLiteral("Field Name")},
                                {"OrderNum", QStringLiteral("Order Number")},
                                {"Value", QStringLiteral("Value")}},
                               "DBGrid2", page, actions.confirm),
                      1);

    auto* lower = new QHBoxLayout;
    auto* group = named(new QGroupBox(QStringLiteral("Field Data"), page), "GroupBox5");
    {
        auto* grid = tight(new QGridLayout(group));
        auto* order = named(shortEdit(new DBEdit(enc, src, "OrderNum", group)), "DBEdit13");
        auto* name = named(new DBEdit(enc, src, "Name", group), "DBEdit14");
        auto* value = named(new DBEdit(enc, src, "Value", group), "DBEdit15");
        auto* description = named(new DBEdit(enc, src, "Description", group), "DBEdit16");
        auto* map = named(new DBEdit(enc, src, "ImportMap", group), "DBEdit17");
        auto* def = named(new DBCheckBox(src, "DefaultValue", QString::fromLatin1(kDefaultValueCaption), group),
                          "DBCheckBox3");
        addCaptioned(grid, group, QStringLiteral("Order:"), order, 0, 0);
        addCaptioned(grid, group, QStringLiteral("Name:"), name, 1, 0, 2);
        addCaptioned(grid, group, QStringLiteral("Value:"), value, 2, 0, 2);
        addCaptioned(grid, group, QStringLiteral("Description"), description, 3, 0, 2);
        addCaptioned(grid, group, QStringLiteral("Import Map Value:"), map, 4, 0);
        grid->addWidget(def, 4, 2);
        grid->setColumnStretch(1, 1);
    }
    lower->addWidget(group, 1);

    lower->addLayout(buttonColumn({{"DupButton", "Copy", actions.copy},
                                   {"InsertB2", "Insert", actions.insert},
                                   {"SaveB2", "Save", actions.save},
                                   {"Deleteb2", "Delete", actions.remove}},
                                  page, context));
    layout->addLayout(lower);
    return page;
}

}  // namespace torvane

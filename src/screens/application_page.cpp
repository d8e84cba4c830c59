#include "screens/application_page.h"

#include "screens/page_widgets.h"
#include "store/data_module.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>

#include <string>
#include <vector>

namespace torvane {

namespace {

const std::vector<std::string> kColumnsIn = {"", "Bytes", "Characters"};

}  // namespace

QWidget* buildApplicationPage(TDataModule1& data, const WindowEncodings& enc,
                              const std::array<std::function<void()>, 4>& resets, QObject* context)
{
    auto* page = named(new QWidget, "TabSheet1");
    DataSource& src = data.SettingsSource;
    auto* layout = tight(new QVBoxLayout(page), 4);

    auto* web = named(new QGroupBox(QStringLiteral("Web Server"), page), "GroupBox1");
    {
        auto* grid = tight(new QGridLayout(web));
        auto* url = named(new DBEdit(enc, src, "URL", web), "DBEdit1");
        auto* content = named(new DBEdit(enc, src, "Content", web), "DBEdit2");
        auto* postType = named(shortEdit(new DBEdit(enc, src, "PostType", web)), "DBEdit3");
        auto* warnings = named(new DBCheckBox(src, "ViewWarnings", QStringLiteral("View Warnings"), web),
                               "DBCheckBox7");
        auto* diag = named(new DBCheckBox(src, "ViewDiag", QStringLiteral("Show Diagnostics"), web),
                           "DBCheckBox8");
        auto* sentText = named(new DBEdit(enc, src, "DataSentText", web), "DBEdit19");
        auto* formEncoding = named(new DBEdit(enc, src, "FormEncoding", web), "FormEncodingEdit");
        addCaptioned(grid, web, QStringLiteral("URL To Post To:"), url, 0, 0, 4);
        addCaptioned(grid, web, QStringLiteral("Content Type:"), content, 1, 0, 4);
        addCaptioned(grid, web, QStringLiteral("Post Action:"), postType, 2, 0);
        grid->addWidget(warnings, 2, 2);
        grid->addWidget(diag, 2, 3);
        grid->setColumnStretch(4, 1);
        addCaptioned(grid, web, QStringLiteral("Data Sent Text:"), sentText, 3, 0, 4);
        addCaptioned(grid, web, QStringLiteral("Form Encoding:"), formEncoding, 4, 0, 2);
    }
    layout->addWidget(web);

    auto* file = named(new QGroupBox(QStringLiteral("Data File"), page), "GroupBox2");
    {
        auto* grid = tight(new QGridLayout(file));
        auto* path = named(new DBEdit(enc, src, "ImportData", file), "DBEdit4");
        auto* lines = named(shortEdit(new DBEdit(enc, src, "LinesToRead", file)), "DBEdit18");
        auto* del = named(new DBCheckBox(src, "DeleteFile", QStringLiteral("Delete File"), file), "DBCheckBox6");
        auto* exportEncoding = named(new DBEdit(enc, src, "ExportEncoding", file), "ExportEncodingEdit");
        auto* columnsIn = named(new DBComboBox(enc, src, "ColumnsIn", kColumnsIn, file), "ColumnsInComboBox");
        addCaptioned(grid, file, QStringLiteral("File To Upload To Web:"), path, 0, 0, 3);
        auto* row = new QHBoxLayout;
        row->addWidget(label(QStringLiteral("Lines To Read Before Importing Data:"), lines, file));
        row->addWidget(lines);
        row->addStretch(1);
        row->addWidget(del);
        grid->addLayout(row, 1, 0, 1, 4);
        auto* characters = new QHBoxLayout;
        characters->addWidget(label(QStringLiteral("Export Encoding:"), exportEncoding, file));
        characters->addWidget(exportEncoding, 1);
        characters->addWidget(label(QStringLiteral("Columns In:"), columnsIn, file));
        characters->addWidget(columnsIn);
        grid->addLayout(characters, 2, 0, 1, 4);
    }
    layout->addWidget(file);

    auto* track = named(new QGroupBox(QStringLiteral("Tracking Information"), page), "GroupBox3");
    {
        auto* grid = tight(new QGridLayout(track));
        auto* trackSent =
            named(new DBCheckBox(src, "TrackSent", QStringLiteral("Track Data Sent:"), track), "DBCheckBox4");
        trackSent->setLayoutDirection(Qt::RightToLeft);  // the caption stands before its box
        auto* purge = named(shortEdit(new DBEdit(enc, src, "PurgeDays", track)), "DBEdit20");
        auto* top = new QHBoxLayout;
        top->addWidget(trackSent);
        top->addSpacing(16);
        top->addWidget(label(QStringLiteral("Purge Days:"), purge, track));
        top->addWidget(purge);
        top->addStretch(1);
        grid->addLayout(top, 0, 0, 1, 3);

        const char* captions[] = {"Field 1 To Track", "Field 2 To Track:", "Field 3 To Track:",
                                  "Field 4 To Track:"};
        const char* comboNames[] = {"DBLookupComboBox1", "DBLookupComboBox2", "DBLookupComboBox3",
                                    "DBLookupComboBox4"};
        const char* resetNames[] = {"Reset1", "Reset2", "Reset3", "Reset4"};
        for (int i = 0; i < 4; ++i) {
            auto* combo =
                named(new DBLookupComboBox(enc, src, kFieldToTrackSettings[i], data.FieldsSource, "Name", track),
                      comboNames[i]);
            auto* reset = button(resetNames[i], QStringLiteral("Reset"), track);
            onClick(reset, context, resets[size_t(i)]);
            addCaptioned(grid, track, QString::fromLatin1(captions[i]), combo, i + 1, 0);
            grid->addWidget(reset, i + 1, 2);
        }
        grid->setColumnStretch(1, 1);
    }
    layout->addWidget(track);
    layout->addStretch(1);
    return page;
}

}  // namespace torvane

#include "screens/tracking_form.h"

#include "gui/window_placement.h"
#include "screens/db_controls.h"
#include "store/data_module.h"
#include "util/error_handler.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

namespace torvane {

TTrackingForm::TTrackingForm(TDataModule1& data, const WindowEncodings& encodings, QWidget* parent)
    : QDialog(parent), m_data(data)
{
    setObjectName(QStringLiteral("TrackingForm"));
    setWindowTitle(QStringLiteral("Tracking Information"));
    setModal(true);
    setSizeGripEnabled(true);

    DataSource& src = m_data.TrackSource;
    auto* layout = new QVBoxLayout(this);

    auto* grid = new DBGrid(
        encodings, src,
        {{"DataToTrack", QStringLiteral("Data Sent")}, {"DataSent", QStringLiteral("Date Sent")}}, this);
    grid->setObjectName(QStringLiteral("DBGrid1"));
    grid->setMinimumHeight(60);
    layout->addWidget(grid, 1);

    auto* group = new QGroupBox(QStringLiteral("Data Sent"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* fields = new QGridLayout(group);
    auto* key = new DBEdit(encodings, src, "DataToTrack", group);
    key->setObjectName(QStringLiteral("DBEdit1"));
    key->setReadOnly(true);
    auto* date = new DBEdit(encodings, src, "DataSent", group);
    date->setObjectName(QStringLiteral("DBEdit2"));
    date->setReadOnly(true);
    date->setMaximumWidth(121);
    auto* label1 = new QLabel(QStringLiteral("Data Sent:"), group);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setBuddy(key);
    auto* label2 = new QLabel(QStringLiteral("Date Sent:"), group);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setBuddy(date);
    fields->addWidget(label1, 0, 0);
    fields->addWidget(key, 0, 1);
    fields->addWidget(label2, 1, 0);
    fields->addWidget(date, 1, 1, Qt::AlignLeft);
    fields->setColumnStretch(1, 1);
    layout->addWidget(group);

    auto* buttons = new QHBoxLayout;
    auto* del = new QPushButton(style()->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("Delete"), this);
    del->setObjectName(QStringLiteral("DeleteB"));
    del->setAutoDefault(false);
    auto* close =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("BitBtn1"));
    close->setAutoDefault(false);
    connect(del, &QPushButton::clicked, this, [this] { guarded([this] { DeleteBClick(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addStretch(1);
    buttons->addWidget(del);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    resize(454, 300);
}

void TTrackingForm::setConfirm(Confirm confirm)
{
    if (auto* grid = findChild<DBGrid*>(QStringLiteral("DBGrid1")))
        grid->setConfirm(std::move(confirm));
}

void TTrackingForm::DeleteBClick()
{
    m_data.TrackTable.remove();
}

void TTrackingForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        centreOnScreen(this);
    }
}

}  // namespace torvane

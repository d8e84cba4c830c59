#include "screens/interrupted_form.h"

#include "gui/qt_text.h"
#include "store/data_module.h"
#include "store/ledger.h"
#include "util/dates.h"
#include "util/error_handler.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace torvane {

TInterruptedForm::TInterruptedForm(TDataModule1& data, QWidget* parent) : QDialog(parent), m_data(data)
{
    setObjectName(QStringLiteral("InterruptedForm"));
    setWindowTitle(QStringLiteral("Interrupted Submissions"));
    setModal(true);
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    m_grid = new QTableWidget(0, 4, this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setHorizontalHeaderLabels(
        {QStringLiteral("Data Sent"), QStringLiteral("Date"), QStringLiteral("Line"), QStringLiteral("Run")});
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_grid->verticalHeader()->hide();
    layout->addWidget(m_grid, 1);

    auto* buttons = new QHBoxLayout;
    auto* sent = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Mark As Sent"), this);
    sent->setObjectName(QStringLiteral("MarkSentB"));
    sent->setAutoDefault(false);
    auto* again = new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), QStringLiteral("Send Again"), this);
    again->setObjectName(QStringLiteral("SendAgainB"));
    again->setAutoDefault(false);
    auto* close = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("BitBtn1"));
    close->setAutoDefault(false);
    connect(sent, &QPushButton::clicked, this, [this] { guarded([this] { MarkSentBClick(); }); });
    connect(again, &QPushButton::clicked, this, [this] { guarded([this] { SendAgainBClick(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addStretch(1);
    buttons->addWidget(sent);
    buttons->addWidget(again);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    resize(454, 300);
}

void TInterruptedForm::refresh()
{
    const auto rows = DeliveryLedger(m_data.database()).unresolved();
    m_keys.clear();
    m_grid->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const DeliveryRecord& d = rows[size_t(i)];
        m_keys.push_back(d.key);
        const QStringList cells{toQString(d.key), toQString(shortDateOfTimestamp(d.started)),
                                QString::number(d.line), QString::number(d.run)};
        for (int c = 0; c < cells.size(); ++c)
            m_grid->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    if (!rows.empty())
        m_grid->selectRow(0);
}

void TInterruptedForm::resolveCurrent(bool sent)
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= static_cast<int>(m_keys.size()))
        return;
    const std::string key = m_keys[size_t(row)];
    DeliveryLedger(m_data.database()).resolve(key, sent);
    refresh();
    m_grid->selectRow(std::min(row, m_grid->rowCount() - 1));
}

void TInterruptedForm::MarkSentBClick()
{
    resolveCurrent(true);
}

void TInterruptedForm::SendAgainBClick()
{
    resolveCurrent(false);
}

void TInterruptedForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        refresh();
        if (QScreen* s = screen())
            move(s->availableGeometry().center() - frameGeometry().center() + pos());
    }
}

}  // namespace torvane

// The Interrupted Submissions window: the records whose request was cut off before the server's
// answer, which no run sends again until the operator marks each as sent or lets it be sent again.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QTableWidget;

namespace torvane {

class TDataModule1;

class TInterruptedForm : public QDialog {
    Q_OBJECT
public:
    TInterruptedForm(TDataModule1& data, QWidget* parent = nullptr);

    // Reads the records in doubt again from the store.
    void refresh();
    void MarkSentBClick();
    void SendAgainBClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void resolveCurrent(bool sent);

    TDataModule1& m_data;
    QTableWidget* m_grid = nullptr;
    std::vector<std::string> m_keys;  // the keys as stored, by row: the grid shows them decoded
};

}  // namespace torvane

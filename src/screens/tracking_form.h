// The tracking viewer: lists the tracking records of accepted submissions and deletes single ones, so
// that their export records can be sent again. Works directly on the data module's tracking view.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

namespace torvane {

class TDataModule1;
class WindowEncodings;

class TTrackingForm : public QDialog {
    Q_OBJECT
public:
    TTrackingForm(TDataModule1& data, const WindowEncodings& encodings, QWidget* parent = nullptr);

    // Asks the OK/Cancel question of Ctrl+Delete in the grid (caption, text); a message box when not set.
    using Confirm = std::function<bool(const std::string& caption, const std::string& text)>;
    void setConfirm(Confirm confirm);

    void DeleteBClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TDataModule1& m_data;
};

}  // namespace torvane

// The settings dialog: edits the settings record, the field definitions and the option rows directly
// on the data module's views, copies option rows, resets tracked fields and starts an HTML import.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QPushButton;
class QTabWidget;

namespace torvane {

class Dialogs;
class TDataModule1;
class TImportHTMLForm;
class WindowEncodings;

// Points the windows' encodings at the ones the settings record names.
void useSettingsEncodings(WindowEncodings& encodings, TDataModule1& data);

class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    // The dialog renews the encodings whenever the settings record may have changed.
    TSettingsForm(TDataModule1& data, WindowEncodings& encodings, TImportHTMLForm& importForm,
                  QWidget* parent = nullptr);
    ~TSettingsForm() override;

    // The "Show Posting Data" box; it is bound to no field and kept only while the program runs.
    bool showPostingData() const;

    // Where questions go (message boxes when not set) and how the page to import is chosen (the
    // open-file dialog when not set; an empty path means the operator cancelled).
    void setDialogs(Dialogs* dialogs);
    using FileChooser = std::function<std::string()>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    void OKBClick();
    void CancelBClick();
    void InsertBClick();
    void SaveBClick();
    void DeleteBClick();
    void InsertB2Click();
    void SaveB2Click();
    void Deleteb2Click();
    void DupButtonClick();
    void Reset1Click();
    void Reset2Click();
    void Reset3Click();
    void Reset4Click();
    void ImportBClick();
    // Shows the URL's server certificates and, when the operator agrees, puts its key pin in TLSVerify.
    void TrustBClick();

    // Esc and the window's close box act as Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::function<bool(const std::string&, const std::string&)> gridConfirm();
    QWidget* buildBottomBar();
    void resetTrackedField(int slot);
    // Throws the message of the first character or network setting that cannot be used.
    void refuseBadValues();
    // The windows read texts in the encodings the settings record names.
    void applyWindowEncodings();
    Dialogs& dialogs();
    std::string chooseHtmlFile();

    TDataModule1& m_data;
    WindowEncodings& m_encodings;
    TImportHTMLForm& m_importForm;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs = nullptr;
    FileChooser m_chooseFile;
    QTabWidget* m_pages = nullptr;
    QCheckBox* m_showPostingData = nullptr;
};

// The name the open-file dialog returns, with ".htm" added when the file name has no extension.
std::string withDefaultHtmlExtension(const std::string& path);

}  // namespace torvane

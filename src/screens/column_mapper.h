// The field mapper of the page "Web Form Fields": the first records of the export file under a column
// ruler with the columns of the field definitions marked, dragging across columns to set Import Start
// and Import Length of the current definition, and what that definition would send for the chosen line.
#pragma once

#include "screens/db_controls.h"

#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace torvane {

class SampleView;
class TDataModule1;
class WindowEncodings;

class ColumnMapper : public QWidget {
    Q_OBJECT
public:
    ColumnMapper(TDataModule1& data, const WindowEncodings& encodings, QWidget* parent = nullptr);
    ~ColumnMapper() override;

    // Reads the export file again and shows the definitions as they stand (also done when shown).
    void reload();
    SampleView* sampleView() const { return m_view; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void scheduleRefresh();
    void refresh();
    void readSample();
    void showSample();
    void showPreview(const std::vector<struct FieldSettings>& definitions, size_t current, bool haveCurrent);
    void onColumnsDragged(int64_t first, int64_t last);

    TDataModule1& m_data;
    const WindowEncodings& m_encodings;
    QLabel* m_message = nullptr;
    QWidget* m_body = nullptr;
    SampleView* m_view = nullptr;
    QLabel* m_value = nullptr;
    QLabel* m_warnings = nullptr;
    QPlainTextEdit* m_dataString = nullptr;

    std::string m_sampleKey;     // what the sample was read for: file, skipped lines, character settings
    bool m_sampleRead = false;
    std::string m_problem;       // why there is no sample
    std::vector<std::string> m_texts;

    ViewSubscription m_fieldsSubscription;
    ViewSubscription m_settingsSubscription;
    QTimer m_refreshTimer;
};

}  // namespace torvane

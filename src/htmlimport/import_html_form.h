// The small progress window of an HTML import: a title, an animation of files being copied and the
// number of tags read so far. It runs the import itself, so the settings dialog only names the page.
#pragma once

#include "htmlimport/form_import.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace torvane {

class TDataModule1;

// Two folders and a sheet travelling from one to the other, played in a loop of frames.
class FileCopyAnimation : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameCount = 34;
    static constexpr int kFrameMs = 60;

    explicit FileCopyAnimation(QWidget* parent = nullptr);

    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    int frame() const { return m_frame; }
    // Moves one frame on, from the last frame back to the first.
    void step();

    QSize sizeHint() const override { return {272, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    int m_frame = 0;
};

class TImportHTMLForm : public QDialog {
    Q_OBJECT
public:
    explicit TImportHTMLForm(TDataModule1& data, QWidget* parent = nullptr);

    // Path of the saved page; set by the caller before ImportHTML.
    std::string PageFileName;
    // Imports the page; throws Error on the first failure, after closing the window.
    void ImportHTML();
    void stopAnimation();
    int tagCount() const { return m_import.tagCount(); }

    // The window became the active one: the animation plays.
    void FormActivate();

    QLabel* Label1;
    FileCopyAnimation* Animate1;
    QLabel* Label2;
    QLabel* ImportedData;
    // Shown for a page of two or more forms: one line per form, the one with the most fields chosen;
    // FormImportButton imports the chosen one, closing the window imports none.
    QListWidget* FormList;
    QPushButton* FormImportButton;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void showProgress(int tags, bool force);
    // Lets the operator pick one of the page's forms; false when the window was closed instead.
    bool chooseForm(const std::vector<PageForm>& forms);

    HtmlFormImport m_import;
    QElapsedTimer m_sinceRepaint;
    int m_lastShown = -1;
};

}  // namespace torvane

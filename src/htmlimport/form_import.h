// Turns the form tags of a saved web page into configuration: the FORM fills the settings record, each
// INPUT name, TEXTAREA and SELECT a field definition row, each radio button, check box and OPTION an
// option row. A page of several forms gives one of them.
#pragma once

#include "htmlimport/page_forms.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace torvane {

class TDataModule1;
class TextConverter;

class HtmlFormImport {
public:
    explicit HtmlFormImport(TDataModule1& data);
    ~HtmlFormImport();

    // Path of the page to import; set by the caller before ImportHTML.
    std::string PageFileName;
    // Called before each line is read with the tag count so far.
    std::function<void(int)> Progress;
    // Which form of a page of several to take: its number from 1, or its NAME or ID. Empty: the one
    // with the most fields (the first of them on a tie).
    std::string FormChoice;

    // Imports the page named by PageFileName. Appends rows and edits the settings record; deletes
    // nothing. Throws the error of the first failure; the rows written before it stay.
    void ImportHTML();
    // The two halves of ImportHTML, for a caller that lets the operator pick one of several forms in
    // between: reading the page (nothing written yet) gives its forms; writing takes FormChoice.
    const std::vector<PageForm>& ReadPage();
    void WritePage();
    // The same over page bytes already in memory.
    void ImportText(std::string page);

    int tagCount() const { return m_tagCount; }
    // The forms of the page last read, and the number of the one taken (0 when it had fewer than two).
    const std::vector<PageForm>& forms() const { return m_page.forms; }
    int formTaken() const { return m_formTaken; }

    // The charset the page declared (empty when it declared none).
    const std::string& pageCharset() const { return m_pageCharset; }

private:
    void prepareEncodings();
    // A text of the page as the export file's encoding has it, when both are known.
    std::string exportText(const std::string& pageText) const;
    void resetState();
    void writeRows(const PageForms& page);
    void writeSettings(const PageForm& form);
    void writeField(const PageRow& row);
    void writeOption(const PageRow& row);

    TDataModule1& m_data;
    int m_tagCount = 0;
    int m_fieldOrder = 0;
    int m_optionOrder = 0;
    PageForms m_page;
    int m_formTaken = 0;
    std::string m_pageCharset;
    std::unique_ptr<TextConverter> m_toExport;
};

}  // namespace torvane

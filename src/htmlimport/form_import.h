// Turns the form tags of a saved web page into configuration: the FORM fills the settings record, each
// INPUT name and SELECT a field definition row, each radio button and OPTION an option row.
#pragma once

#include "util/tag_scanner.h"

#include <functional>
#include <memory>
#include <string>

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

    // Imports the page named by PageFileName. Appends rows and edits the settings record; deletes
    // nothing. Throws the error of the first failure; the rows written before it stay.
    void ImportHTML();
    // The same over page bytes already in memory.
    void ImportText(std::string page);

    int tagCount() const { return m_scanner.tagCount; }
    TagScanner& scanner() { return m_scanner; }

    // The handlers of the line loop; each acts only when its opening word is at the front of the line
    // buffer.
    void FindFormHeader();
    void FindInputHeader();
    void FindSelectHeader();
    void FindSelectItemsList();

    // The charset the page declared (empty when it declared none).
    const std::string& pageCharset() const { return m_pageCharset; }

private:
    void run();
    void prepareEncodings();
    // A text of the page as the export file's encoding has it, when both are known.
    std::string exportText(const std::string& pageText) const;
    void resetState();
    void appendOptionRow(const std::string& name, const std::string& value, bool isDefault,
                         const std::string& text);

    TDataModule1& m_data;
    TagScanner m_scanner;
    int m_fieldOrder = 0;
    int m_optionOrder = 0;
    std::string m_lastInputName;
    std::string m_selectName;
    std::string m_pageCharset;
    std::unique_ptr<TextConverter> m_toExport;
};

}  // namespace torvane

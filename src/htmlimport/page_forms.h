// The forms of a saved web page as the import reads them, before anything is written: each form's
// header, and the field and option rows of the whole page in page order, each marked with its form.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

struct PageForm {
    int number = 0;  // from 1, in page order
    std::string name;
    std::string id;
    std::string action;
    std::string method;
    std::string enctype;  // the content type a FORM's ENCTYPE names; empty for the usual one
    int fieldCount = 0;
};

// One row to write. Order numbers of fields, and of options that follow their list, are given when the
// rows are written, since only the rows of the form taken count; a MAXLENGTH is read as a number then too.
struct PageRow {
    enum class Kind { Form, Field, Option };
    Kind kind = Kind::Field;
    int form = 0;  // 0 outside every form
    // Field: name, type, defaultValue, maxLength as written (or fixedMaxLength), required, zeroValid.
    // Option: name, value (in defaultValue), isDefault (a list's option: the default when it is its
    // list's first), text, fixedOrder (0: the running count).
    std::string name;
    std::string type;
    std::string defaultValue;
    std::string maxLength;
    std::optional<int> fixedMaxLength;
    bool required = false;
    std::optional<bool> zeroValid;
    bool startsOptionCount = false;
    bool isDefault = false;
    std::string text;
    int fixedOrder = 0;
};

struct PageForms {
    std::vector<PageForm> forms;
    std::vector<PageRow> rows;
    int tagCount = 0;
};

// Reads the page bytes; progress gets the tag count before each line. charset is the page's declared
// one, for the character references in attribute values.
PageForms readPageForms(std::string page, const std::string& charset, const std::function<void(int)>& progress);
// The same for a page file; throws Error with the file error.
PageForms readPageFormsFile(const std::string& path, const std::string& charset,
                            const std::function<void(int)>& progress);

// The value of a MAXLENGTH as the import reads numbers: blanks removed, empty is 0. Throws Error
// "'%s' is not a valid integer value" for anything else.
int attributeInteger(const std::string& text);

}  // namespace torvane

namespace torvane {

// The number of the form to take from a page of two or more forms: choice is a number from 1 or a
// form's NAME or ID; empty takes the one with the most field rows, the first of them on a tie. Throws
// Error naming the choice when the page has no such form.
int chooseForm(const std::vector<PageForm>& forms, const std::string& choice);

}  // namespace torvane

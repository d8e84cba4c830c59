// The FORM and INPUT tags of a live web page, read with the tag scanner of the HTML import, so a page yields
// here exactly the inputs an import of the same page would see.
#pragma once

#include <string>
#include <vector>

namespace torvane {

struct PageInput {
    std::string name;
    std::string type;
    std::string value;
};

struct LivePageForm {
    std::string action;  // as the FORM tag has it, empty when it has none
    std::vector<PageInput> inputs;
};

// Every INPUT tag of the page in page order; FORM, SELECT and OPTION tags are passed over whole.
std::vector<PageInput> readPageInputs(std::string page);
// Every FORM of the page with its ACTION and the INPUT tags that follow it up to the next FORM.
std::vector<LivePageForm> readPageForms(std::string page);

// The first input of that NAME (letter case counts), or nullptr.
const PageInput* findPageInput(const std::vector<PageInput>& inputs, const std::string& name);

}  // namespace torvane

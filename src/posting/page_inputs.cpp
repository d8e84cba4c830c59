#include "posting/page_inputs.h"

#include "util/tag_scanner.h"

namespace torvane {

namespace {

// The page's forms in page order, after a first entry (no form) for the inputs that stand before any
// FORM tag. Without an end tag to go by, an INPUT belongs to the FORM before it.
std::vector<LivePageForm> scanForms(std::string page)
{
    std::vector<LivePageForm> forms(1);
    TagScanner scanner;
    scanner.openText(std::move(page));
    std::string tag;
    // The other form tags are taken whole, as the import takes them, so nothing inside one of them
    // is mistaken for an INPUT.
    auto skip = [&scanner, &tag](const char* word) {
        return [&scanner, &tag, word] {
            if (scanner.atFront(word)) {
                ++scanner.tagCount;
                scanner.CopyTag(1, tag);
            }
        };
    };
    scanner.RunLineLoop({[&] {
                             if (!scanner.atFront("<FORM"))
                                 return;
                             ++scanner.tagCount;
                             if (scanner.CopyTag(1, tag))
                                 forms.push_back({ReturnItemStr("ACTION", tag), {}});
                         },
                         [&] {
                             if (!scanner.atFront("<INPUT"))
                                 return;
                             ++scanner.tagCount;
                             if (!scanner.CopyTag(1, tag))
                                 return;
                             forms.back().inputs.push_back({ReturnItemStr("NAME", tag), ReturnItemStr("TYPE", tag),
                                                            ReturnItemStr("VALUE", tag)});
                         },
                         skip("<SELECT"), skip("<OPTION"), [&scanner] { scanner.FindEndSelect(); }},
                        {});
    return forms;
}

}  // namespace

std::vector<PageInput> readPageInputs(std::string page)
{
    std::vector<PageInput> inputs;
    for (LivePageForm& form : scanForms(std::move(page)))
        inputs.insert(inputs.end(), form.inputs.begin(), form.inputs.end());
    return inputs;
}

std::vector<LivePageForm> readPageForms(std::string page)
{
    std::vector<LivePageForm> forms = scanForms(std::move(page));
    forms.erase(forms.begin());
    return forms;
}

const PageInput* findPageInput(const std::vector<PageInput>& inputs, const std::string& name)
{
    for (const PageInput& input : inputs)
        if (input.name == name)
            return &input;
    return nullptr;
}

}  // namespace torvane

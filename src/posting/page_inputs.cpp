#include "posting/page_inputs.h"

#include "util/tag_scanner.h"

namespace torvane {

std::vector<PageInput> readPageInputs(std::string page)
{
    std::vector<PageInput> inputs;
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
    scanner.RunLineLoop({skip("<FORM"),
                         [&] {
                             if (!scanner.atFront("<INPUT"))
                                 return;
                             ++scanner.tagCount;
                             if (!scanner.CopyTag(1, tag))
                                 return;
                             inputs.push_back({ReturnItemStr("NAME", tag), ReturnItemStr("TYPE", tag),
                                               ReturnItemStr("VALUE", tag)});
                         },
                         skip("<SELECT"), skip("<OPTION"), [&scanner] { scanner.FindEndSelect(); }},
                        {});
    return inputs;
}

const PageInput* findPageInput(const std::vector<PageInput>& inputs, const std::string& name)
{
    for (const PageInput& input : inputs)
        if (input.name == name)
            return &input;
    return nullptr;
}

}  // namespace torvane

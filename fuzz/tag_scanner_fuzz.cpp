// A saved web page scanned for its form tags and imported into a store held in memory: the scanner
// and every handler of the import see the page, and only the integer conversion may refuse it.
#include "fuzz_check.h"

#include "htmlimport/form_import.h"
#include "util/tag_scanner.h"
#include "store/data_module.h"
#include "store/statements.h"
#include "util/error.h"
#include "util/text.h"

#include <memory>
#include <string>

namespace {

using torvane::fuzz::check;

torvane::TDataModule1& store()
{
    static torvane::TDataModule1 data(":memory:");
    return data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);

    // The attribute readers on the page taken as one tag.
    for (const char* name : {"NAME", "VALUE", "MAXLENGTH", "TYPE"}) {
        const std::string text = torvane::ReturnItemStr(name, page);
        check(text.size() <= page.size(), "an attribute longer than its tag");
        std::string digits = text;
        std::erase(digits, ' ');
        try {
            const int n = torvane::ReturnItemInt(name, page);
            int32_t expected = 0;
            check(digits.empty() ? n == 0 : torvane::tryToInt32(digits, expected) && n == expected,
                  "ReturnItemInt disagrees with the conversion");
        } catch (const torvane::Error& e) {
            check(e.what() == torvane::fuzz::shownMessage(torvane::notValidIntegerMessage(digits)),
                  std::string("unexpected attribute error: ") + e.what());
        }
    }

    torvane::TDataModule1& d = store();
    d.FieldsQuery.execute(torvane::deleteAllFields());
    d.SelDataQuery.execute(torvane::deleteAllOptions());
    torvane::HtmlFormImport import(d);
    import.scanner().tagProbeBytes = 4096;  // small, so that unclosed tags take the probing road too
    try {
        import.ImportText(page);
    } catch (const torvane::Error& e) {
        // Only a MAXLENGTH that is no number ends an import; its message may be cut at a NUL byte.
        const std::string message = e.what();
        check(message.find("is not a valid integer value") != std::string::npos ||
                  (message.rfind("'", 0) == 0 && page.find('\0') != std::string::npos),
              "the import failed otherwise: " + message);
    }
    return 0;
}

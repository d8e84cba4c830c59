// import-html: the settings dialog's Import, without its questions.

#include "cli/arguments.h"
#include "cli/commands.h"

#include "htmlimport/form_import.h"
#include "store/data_module.h"
#include "store/form_definition.h"
#include "util/error.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sys/stat.h>

namespace torvane {

namespace {

// --form N|NAME, before FILE or after it ("import-html page.html --form 2").
std::string formChoice(CommandArgs& args)
{
    std::string choice = args.values.count("--form") ? args.values.at("--form") : std::string();
    auto& rest = args.positional;
    for (size_t i = 1; i < rest.size();) {
        if (rest[i] == "--form" && i + 1 < rest.size()) {
            choice = rest[i + 1];
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i), rest.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        } else if (rest[i].rfind("--form=", 0) == 0) {
            choice = rest[i].substr(7);
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    return choice;
}

std::string formLabel(const PageForm& form)
{
    const std::string& label = !form.name.empty() ? form.name : form.id;
    return std::to_string(form.number) + (label.empty() ? "" : " (" + label + ")") +
           (form.action.empty() ? "" : ", action " + form.action) + ", " + std::to_string(form.fieldCount) + " fields";
}

}  // namespace

int runImportHtml(const Args& argv, std::ostream& out, std::ostream&)
{
    CommandArgs args = parseCommandArgs("import-html", argv, {}, {"--form"});
    if (args.help) {
        out << findCommand("import-html")->help;
        return kExitOk;
    }
    const std::string choice = formChoice(args);
    requirePositional("import-html", args, 1);
    const std::string& path = args.positional[0];

    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw Error("cannot read '" + path + "': " + std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        throw Error("cannot read '" + path + "': it is a directory");
    if (!std::ifstream(path, std::ios::binary))
        throw Error("cannot read '" + path + "': " + std::strerror(errno));

    // The import keeps what it wrote before a failure, and the form definition is emptied before it
    // starts; a page that fails halfway would leave a half-destroyed configuration behind. Reading it
    // first into a scratch store finds such a failure while nothing has been touched yet.
    {
        TDataModule1 scratch(":memory:");
        HtmlFormImport trial(scratch);
        trial.PageFileName = path;
        trial.FormChoice = choice;
        trial.ImportHTML();
    }

    TDataModule1 data;
    emptyFormDefinition(data);
    HtmlFormImport import(data);
    import.PageFileName = path;
    import.FormChoice = choice;
    import.ImportHTML();
    if (import.formTaken() != 0) {
        const std::vector<PageForm>& forms = import.forms();
        out << "The page has " << forms.size() << " forms; imported form "
            << formLabel(forms[static_cast<size_t>(import.formTaken()) - 1])
            << (choice.empty() ? " (the one with the most fields; choose another with --form N|NAME)" : "") << '\n';
    }
    out << "Fields Imported: " << import.tagCount() << '\n';
    return kExitOk;
}

}  // namespace torvane

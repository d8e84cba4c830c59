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

int runImportHtml(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("import-html", argv);
    if (args.help) {
        out << findCommand("import-html")->help;
        return kExitOk;
    }
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
        trial.ImportHTML();
    }

    TDataModule1 data;
    emptyFormDefinition(data);
    HtmlFormImport import(data);
    import.PageFileName = path;
    import.ImportHTML();
    out << "Fields Imported: " << import.tagCount() << '\n';
    return kExitOk;
}

}  // namespace torvane

#include "cli/commands.h"

namespace torvane {

namespace {
// The exit statuses of send, in one place for its help, the overview and the manual.
#define TORVANE_SEND_EXIT_STATUSES                                                                   \
    "  0    the export file was read to its end and every record was accepted, sent or already sent\n" \
    "  3    it was read to its end, but a record was refused, not confirmed or is in doubt\n"        \
    "  2    the run was aborted before reading records (a missing setting or export file)\n"         \
    "  1    an error ended the run (its message is on standard error)\n"                             \
    "  75   another posting run is using the store\n"                                                \
    "  64   a wrong command line\n"                                                                  \
    "  130  ended by SIGINT; 143 ended by SIGTERM\n"
// What --on-finish tells its command, for the help of send and watch.
#define TORVANE_ON_FINISH_TEXT                                                                       \
    "                   with TORVANE_RUN, TORVANE_OUTCOME, TORVANE_EXIT, TORVANE_EXPORT,\n"           \
    "                   TORVANE_RESULTS, TORVANE_REJECTS, TORVANE_REPORT (empty when none),\n"        \
    "                   TORVANE_READ, TORVANE_ACCEPTED, TORVANE_NOT_CONFIRMED, TORVANE_REFUSED,\n"    \
    "                   TORVANE_ALREADY_SENT and TORVANE_IN_DOUBT; its failure changes nothing else\n"

// The posting run itself.
Command sendCommand()
{
    return {
        "send", "[--pause SECONDS] [--verbose] [--results FILE] [--rejects FILE] [--retry N] ...",
        "purge old tracking records, then run one posting",
        "Usage: torvane-cli send [--pause SECONDS] [--verbose] [--results FILE] [--rejects FILE]\n"
        "                        [--retry N] [--retry-wait SECONDS] [--max-errors N] [--rate N]\n"
        "                        [--connections N] [--report FILE.html] [--on-finish COMMAND]\n"
        "\n"
        "Does what starting Torvane and choosing Process > Send Data does: purges old tracking records\n"
        "(when tracking is on), then submits every record of the export file. Each line of the\n"
        "information pane is written to standard output as it is added; a one-line summary follows\n"
        "on standard error.\n"
        "\n"
        "  --pause SECONDS  pause after each request and after each tracking record (default 1;\n"
        "                   0 for a fast local server)\n"
        "  --verbose        also write the status bar texts and the diagnostics pane to standard error\n"
        "  --results FILE   one row per record read, written as the run goes: line, record, key,\n"
        "                   outcome (accepted, not confirmed, sent, refused, already sent, in doubt,\n"
        "                   failed), status, message, time; FILE ends in .csv or .jsonl (replaced)\n"
        "  --rejects FILE   the skipped leading lines, then the exact lines of the records not\n"
        "                   confirmed, refused, in doubt or failed, and after an error every line not\n"
        "                   read yet: set ImportData to FILE to send what is still missing (no\n"
        "                   rejects, no file)\n"
        "  --retry N        try a record again up to N times when its request failed before it was\n"
        "                   written (name lookup, connect, TLS handshake) or the server answered 429\n"
        "                   or 503 (default: the setting RetryCount; blank, never)\n"
        "  --retry-wait SECONDS  the wait before the first further try, doubled for each next one, at\n"
        "                   most 300; a Retry-After of the server counts instead (default: RetryWait, 5)\n"
        "  --max-errors N   go on past N records that failed (an error status, a failure after its\n"
        "                   retries, a request cut off); the next failure ends the run (default:\n"
        "                   MaxErrors; blank, the first error ends the run)\n"
        "  --rate N         at most N requests a minute, on top of the pause\n"
        "  --connections N  up to N records in flight at once, each on a connection of its own, 1 to\n"
        "                   32; outputs still list the records in line order (default: the setting\n"
        "                   Connections; blank, one at a time)\n"
        "  --report FILE    the run's report as one HTML page: settings, counts, response times,\n"
        "                   records per minute, and the records not taken grouped by reason\n"
        "  --on-finish COMMAND  run COMMAND through /bin/sh after the run\n" TORVANE_ON_FINISH_TEXT "\n"
        "SIGINT or SIGTERM lets the record in progress finish, then ends the run (a second one ends it\n"
        "at once).\n"
        "\n"
        "Exit status:\n" TORVANE_SEND_EXIT_STATUSES,
        runSend};
}

// Posting runs for every export file that appears in a folder.
Command watchCommand()
{
    return {"watch", "[OPTIONS] DIR", "send every export file that appears in DIR, one at a time",
            "Usage: torvane-cli watch [--settle SECONDS] [--once] [--allow-untracked] [--pause SECONDS]\n"
            "                         [--retry N] [--retry-wait SECONDS] [--max-errors N] [--rate N]\n"
            "                         [--connections N] [--verbose] [--on-finish COMMAND] DIR\n"
            "\n"
            "Runs a posting for every export file that appears in DIR, one at a time, with the store's\n"
            "settings and that file in place of ImportData (the setting is not changed). A file is taken\n"
            "once its size has not changed for --settle seconds (default 5) and no process has it open for\n"
            "writing, or at once when a file of its name plus .ready appears (the marker is deleted).\n"
            "Files whose names start with \".\" are never taken.\n"
            "\n"
            "After its run the file goes to DIR/done/ (exit status 0 or 3) or DIR/failed/ (1 or 2) with\n"
            "NAME.results.csv, NAME.report.html and, when there are rejects, NAME.rejects beside it; when\n"
            "NAME is taken there, \".\" and the local time (YYYYMMDD-HHMMSS) are appended. A run stopped\n"
            "by SIGINT or SIGTERM leaves its file in DIR for the next watch.\n"
            "\n"
            "  --settle SECONDS  how long a file's size must stay the same (default 5)\n"
            "  --once            handle the files that have settled, or settle within --settle seconds,\n"
            "                    then end (for a timer); files still open for writing are left\n"
            "  --allow-untracked start even with tracking off (a file handed in twice is sent twice)\n"
            "  --on-finish COMMAND  run COMMAND through /bin/sh after each run\n" TORVANE_ON_FINISH_TEXT
            "The other options are those of send.\n"
            "\n"
            "Without --once it waits for new files until SIGINT or SIGTERM, which finish the run in\n"
            "progress. The store's run lock is held the whole time, so send and a second watch exit 75.\n"
            "\n"
            "Exit status: 130 or 143 when a signal ended it; otherwise 1 if any run ended with 1, else 2 if\n"
            "any with 2, else 3 if any with 3, else 0; 2 also when tracking is off (see --allow-untracked);\n"
            "75 when another run uses the store.\n",
            runWatch};
}

// Looking back at a run, and ahead at a mapping.
std::vector<Command> reviewCommands()
{
    return {
        {"report", "[RUN] --html FILE", "write the HTML report of a run of the history",
         "Usage: torvane-cli report [RUN] --html FILE\n"
         "\n"
         "Writes the report of run RUN (see runs; the last run when RUN is left out) as one HTML page\n"
         "that needs nothing else to show: the settings the run went by, its counts, response times\n"
         "(median, 90th and 99th percentile, slowest records), records per minute, and the records\n"
         "refused, not confirmed, in doubt or failed grouped by reason with their lines and keys.\n",
         runReport},
        {"check", "[--data] [--limit N]", "find mapping mistakes without sending anything",
         "Usage: torvane-cli check [--data] [--limit N]\n"
         "\n"
         "Reads the settings and the export file as send does and builds every record the way a run\n"
         "builds it, but sends nothing and changes nothing: no request, no tracking or delivery row, no\n"
         "traffic log, no purge, and the export file is kept even with DeleteFile on.\n"
         "\n"
         "Prints first what a run would abort with and the problems of the settings and field\n"
         "definitions, then one line per problem of a record, each beginning\n"
         "\"Line L (record R, key K): \", then the line\n"
         "\"Checked N records: A would be sent, B refused for missing fields, C already sent, D with\n"
         "warnings\".\n"
         "\n"
         "  --data     also print the request of every record that would be sent: method and URL, then\n"
         "             the body bytes as they would go on the wire (a GET has none)\n"
         "  --limit N  stop after N records\n"
         "\n"
         "Exit status: 0 nothing found; 3 problems found; 2 a run would abort before reading records\n"
         "(a missing setting or export file, an unknown encoding); 1 an error ended the check.\n",
         runCheck},
    };
}

// The form definition as a whole and the settings record.
std::vector<Command> configurationCommands()
{
    return {
        {"import-html", "FILE [--form N|NAME]",
         "replace the form definition with the form of a saved web page",
         "Usage: torvane-cli import-html FILE [--form N|NAME]\n"
         "\n"
         "Does what the Import button of the settings does, without its questions: empties the field\n"
         "definitions and the option rows, blanks the four tracked fields and imports the FORM, INPUT,\n"
         "TEXTAREA, SELECT and OPTION tags of FILE. Prints \"Fields Imported: N\". The page is read once\n"
         "before anything is changed, so a file that cannot be read or imported leaves everything as it "
         "was.\n"
         "\n"
         "A page of several forms gives one of them: --form N (counted from 1 in page order) or --form NAME\n"
         "(the form's NAME or ID); without it the form with the most fields, and the output says which.\n",
         runImportHtml},
        {"show", "[--json]", "print the settings, field definitions, option rows and tracking records",
         "Usage: torvane-cli show [--json]\n"
         "\n"
         "Prints the settings record, the field definitions (in order), the option rows of the cross\n"
         "walk and the tracking records as tables. With --json: one JSON object with \"settings\" (an\n"
         "object) and \"fields\", \"options\" and \"tracking\" (arrays of objects), keyed by the store's\n"
         "column names; blank values are null.\n",
         runShow},
        {"set", "NAME VALUE", "set one field of the settings record",
         "Usage: torvane-cli set NAME VALUE\n"
         "\n"
         "Sets the setting NAME (URL, Content, PostType, DataSentText, ViewWarnings, ViewDiag,\n"
         "ImportData, LinesToRead, DeleteFile, TrackSent, PurgeDays, FieldToTrack1 to FieldToTrack4,\n"
         "ExportEncoding, FormEncoding, ColumnsIn, RetryCount, RetryWait, MaxErrors, LoginURL, LoginData,\n"
         "LoginCheckText, FormURL, RefreshHidden) to VALUE. An empty VALUE (\"\") makes it blank.\n"
         "Logical settings take True or False; integer settings a whole number. A value that does not\n"
         "fit is refused and nothing is changed.\n"
         "\n"
         "ExportEncoding and FormEncoding name the character encodings of the export file and of the\n"
         "web form as iconv knows them (windows-1252, iso-8859-1, cp850, shift_jis, utf-8, ...); with\n"
         "both set, each value is converted to the form's encoding before it is sent. ColumnsIn is\n"
         "Bytes or Characters: what Import Start, Import Length and Field Length count (blank: Bytes).\n"
         "\n"
         "RetryCount tries a record again that failed before its request was written, or that the server\n"
         "answered with 429 or 503, after RetryWait seconds (default 5, doubled for each further try);\n"
         "MaxErrors lets a run go on past that many failed records. Blank, the first error ends a run.\n"
         "Connections (1 to 32) lets that many records be in flight at once; blank, one at a time.\n"
         "\n"
         "LoginURL, LoginData (one name=value per line) and LoginCheckText log in before the first\n"
         "request of a run, and again when the session expires; a value written ${NAME} is taken from\n"
         "the environment variable NAME and shown as ******** wherever it would appear. With FormURL\n"
         "and RefreshHidden set, the form page is fetched before each record and its INPUT values\n"
         "replace the defaults of the hidden fields of the same name.\n",
         runSet},
    };
}

// Single field definitions and option rows.
std::vector<Command> rowCommands()
{
    return {
        {"set-field", "ORDER NAME VALUE", "set one field of a field definition",
         "Usage: torvane-cli set-field ORDER NAME VALUE\n"
         "\n"
         "Sets NAME (OrderNum, Name, Type, MaxLength, Overflow, Required, ImportStart, ImportLength,\n"
         "DefaultValue, Format, ZeroValid) of the field definition whose OrderNum is ORDER (the first\n"
         "one when several share it). An empty VALUE makes it blank.\n",
         runSetField},
        {"set-option", "FIELD ORDER NAME VALUE", "set one field of an option row",
         "Usage: torvane-cli set-option FIELD ORDER NAME VALUE\n"
         "\n"
         "Sets NAME (Name, OrderNum, Value, Description, ImportMap, DefaultValue) of the option row of\n"
         "the field FIELD (letter case counts) whose OrderNum is ORDER. An empty VALUE makes it blank.\n"
         "Example: torvane-cli set-option STATE 20 ImportMap OH\n",
         runSetOption},
        {"add-field", "ORDER NAME [TYPE]", "add a field definition",
         "Usage: torvane-cli add-field ORDER NAME [TYPE]\n"
         "\n"
         "Adds a field definition with OrderNum ORDER, Name NAME and Type TYPE (TEXT when left out); the\n"
         "other columns stay blank, as a row inserted in the settings dialog's grid. Refused when a field\n"
         "definition with that OrderNum exists. Example: torvane-cli add-field 25 gift_wrap checkbox\n",
         runAddField},
        {"delete-field", "ORDER", "delete a field definition",
         "Usage: torvane-cli delete-field ORDER\n"
         "\n"
         "Deletes the field definition whose OrderNum is ORDER (its option rows stay).\n",
         runDeleteField},
        {"add-option", "FIELD ORDER VALUE [IMPORTMAP]", "add an option row to the cross walk",
         "Usage: torvane-cli add-option FIELD ORDER VALUE [IMPORTMAP]\n"
         "\n"
         "Adds an option row of the field FIELD (letter case counts) with OrderNum ORDER, the form's VALUE\n"
         "and the export file's code IMPORTMAP. Refused when FIELD has an option row with that OrderNum.\n"
         "Example: torvane-cli add-option gift_wrap 10 on Y\n",
         runAddOption},
        {"delete-option", "FIELD ORDER", "delete an option row",
         "Usage: torvane-cli delete-option FIELD ORDER\n"
         "\n"
         "Deletes the option row of the field FIELD whose OrderNum is ORDER.\n",
         runDeleteOption},
    };
}

// Tracking records, run history, the login and the server's key.
std::vector<Command> historyCommands()
{
    return {
        {"tracking", "list | delete KEY | in-doubt | resolve KEY --sent|--resend [--json]",
         "list or delete tracking records; list or resolve records in doubt",
         "Usage: torvane-cli tracking list [--json]\n"
         "       torvane-cli tracking delete KEY\n"
         "       torvane-cli tracking in-doubt [--json]\n"
         "       torvane-cli tracking resolve KEY --sent|--resend\n"
         "\n"
         "list prints the records the server accepted while tracking was on, with the day each was\n"
         "sent. delete removes the tracking records of KEY, so the next run sends that record again.\n"
         "\n"
         "in-doubt lists the records whose request was cut off before the server's answer (the run was\n"
         "killed, the connection reset or timed out): the server may or may not have them, so runs do\n"
         "not send them again until you decide. resolve KEY --sent records KEY as sent, so later runs\n"
         "skip it; resolve KEY --resend lets the next run send it.\n"
         "\n"
         "--json prints the list as a JSON array of objects keyed by the store's column names.\n",
         runTracking},
        {"runs", "[--last N] [--json]", "list the last posting runs, newest first",
         "Usage: torvane-cli runs [--last N] [--json]\n"
         "\n"
         "Prints one line per posting run, newest first (the last 20 unless --last says otherwise): the\n"
         "run's number, start, end, outcome (completed, aborted, failed, interrupted, or running) and its\n"
         "counts of records read, accepted, not confirmed, refused, already sent and in doubt. --json\n"
         "prints them as a JSON array of objects keyed by the store's column names.\n",
         runRuns},
        {"login", "", "log in and fetch the form page as a run would, and show what they gave",
         "Usage: torvane-cli login\n"
         "\n"
         "Does the first steps of a posting run alone: POSTs LoginData to LoginURL (checking the reply\n"
         "for LoginCheckText) and GETs FormURL, then prints the names of the cookies the server set,\n"
         "the hidden INPUTs of the form page and which hidden field definitions they fill. A value of\n"
         "LoginData written ${NAME} is taken from the environment variable NAME. Sends no record.\n",
         runLogin},
        {"trust", "[--pin] URL", "show an https server's certificates, and trust its key with --pin",
         "Usage: torvane-cli trust [--pin] URL\n"
         "\n"
         "Connects to the https URL's server as a run would (Proxy, UseIPv6, ClientCertificate) and\n"
         "prints the certificate chain it shows: subject, issuer, validity and the SHA-256 pin of each\n"
         "key, and whether the system's certificate authorities vouch for the server (as TLSVerify\n"
         "System would check it). Sends no request.\n"
         "\n"
         "  --pin   store the server key's pin as TLSVerify: from then on exactly that key is accepted,\n"
         "          whoever signed it (trust on first use)\n"
         "\n"
         "Exit status: 0 the certificates were shown, 1 the server could not be reached.\n",
         runTrust},
    };
}

}  // namespace

const std::vector<Command>& allCommands()
{
    static const std::vector<Command> commands = [] {
        std::vector<Command> all{sendCommand(), watchCommand()};
        for (const std::vector<Command>& group :
             {reviewCommands(), configurationCommands(), rowCommands(), historyCommands()})
            all.insert(all.end(), group.begin(), group.end());
        return all;
    }();
    return commands;
}

const Command* findCommand(const std::string& name)
{
    for (const Command& c : allCommands())
        if (name == c.name)
            return &c;
    return nullptr;
}

std::string overviewHelp()
{
    std::string text =
        "Usage: torvane-cli [-C DIR] COMMAND [ARGUMENTS]\n"
        "       torvane-cli --version\n"
        "\n"
        "Works on torvane.db in the working directory, as Torvane itself does.\n"
        "\n"
        "  -C DIR     change to DIR first\n"
        "  --help     this text; COMMAND --help describes one command\n"
        "  --version  the version\n"
        "\n"
        "Commands:\n";
    for (const Command& c : allCommands()) {
        std::string head = std::string("  ") + c.name;
        if (*c.synopsis)
            head += std::string(" ") + c.synopsis;
        if (head.size() < 34)
            head += std::string(34 - head.size(), ' ');
        else
            head += "\n" + std::string(34, ' ');
        text += head + c.summary + "\n";
    }
    text += "\nExit status: 0 success, 1 an error, 64 a wrong command line; of send:\n" TORVANE_SEND_EXIT_STATUSES;
    return text;
}

}  // namespace torvane

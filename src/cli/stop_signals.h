// SIGINT and SIGTERM for the companion's runs: the first lets the record in progress finish and ends the
// run (and a watch) as the end of the file would; a second ends the process at once.
#pragma once

namespace torvane {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that asked to stop, 0 while none has.
    static int received();
    // "SIGINT" or "SIGTERM".
    static const char* name();

private:
    struct Saved;
    Saved* m_saved;
};

}  // namespace torvane

// The folder watch takes its export files from: which files are ready (settled, or marked with a
// .ready file, and open for writing by no process), and where a file and its outputs go after its run.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace torvane {

class WatchedFolder {
public:
    static constexpr const char* kDone = "done";
    static constexpr const char* kFailed = "failed";
    static constexpr const char* kMarker = ".ready";

    // Creates the done/ and failed/ folders; throws Error when dir is no folder or they cannot be made.
    WatchedFolder(std::string dir, int64_t settleMs);

    // The next file to take at nowMs (milliseconds of the system clock), nothing when none is ready.
    // A file's marker is removed as the file is taken.
    std::optional<std::string> take(int64_t nowMs);
    // How long until a file seen may have settled, for the wait (-1: no file waits to settle).
    int64_t msUntilNextSettle(int64_t nowMs) const;
    // Leaves a file alone from now on (it could not be moved away after its run).
    void skip(const std::string& name) { m_skipped[name] = true; }
    // Never takes the file at path (the store and its companions, when they live in the folder).
    void ignore(const std::string& path);

    const std::string& dir() const { return m_dir; }
    std::string path(const std::string& name) const { return m_dir + "/" + name; }
    // Where the file of a run ended with exitStatus goes: done/NAME or failed/NAME, with "." and the local
    // time appended when NAME is taken there; the file's outputs take the same name plus their suffixes.
    std::string destination(const std::string& name, int exitStatus) const;

private:
    struct Seen {
        int64_t size = -1;
        int64_t changedMs = 0;
    };
    bool settled(const std::string& name, int64_t nowMs);

    std::string m_dir;
    int64_t m_settleMs;
    std::map<std::string, Seen> m_seen;
    std::map<std::string, bool> m_skipped;
};

// Whether a process (one this user may look at) has the file open for writing.
bool openForWriting(const std::string& path);

}  // namespace torvane

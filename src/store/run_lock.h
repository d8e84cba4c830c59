// The one-run-per-store lock: a posting run holds an exclusive flock on a file beside the store for as
// long as it runs. The operating system releases it when the process ends, however it ends, so a
// killed run never leaves the store locked.
#pragma once

#include "util/error.h"

#include <string>

namespace torvane {

inline constexpr const char* kStoreInUseMessage = "Another posting run is using this store";

// Another run holds the store's lock.
class StoreInUse : public Error {
public:
    StoreInUse() : Error(kStoreInUseMessage) {}
};

class RunLock {
public:
    // Takes the lock of the store at storePath without waiting; throws StoreInUse when another run
    // holds it, Error when the lock file cannot be opened.
    explicit RunLock(const std::string& storePath);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Whether a run holds the lock of the store at storePath right now (from this or another process).
    static bool isHeld(const std::string& storePath);
    static std::string lockPath(const std::string& storePath) { return storePath + ".lock"; }

private:
    int m_fd = -1;
};

}  // namespace torvane

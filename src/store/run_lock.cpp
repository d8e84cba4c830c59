#include "store/run_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace torvane {

namespace {

int openLockFile(const std::string& storePath)
{
    const std::string path = RunLock::lockPath(storePath);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        throw Error("Cannot open the lock file \"" + path + "\": " + std::strerror(errno));
    return fd;
}

}  // namespace

RunLock::RunLock(const std::string& storePath) : m_fd(openLockFile(storePath))
{
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        if (error == EWOULDBLOCK)
            throw StoreInUse();
        throw Error("Cannot lock \"" + lockPath(storePath) + "\": " + std::strerror(error));
    }
}

RunLock::~RunLock()
{
    if (m_fd >= 0)
        ::close(m_fd);  // closing the descriptor releases the lock
}

bool RunLock::isHeld(const std::string& storePath)
{
    // flock locks belong to the open file description, so a second open in this process is refused
    // while this process's own run holds the lock, just as another process would be.
    const int fd = openLockFile(storePath);
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace torvane

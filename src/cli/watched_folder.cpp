#include "cli/watched_folder.h"

#include "util/dates.h"
#include "util/error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace torvane {

namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The access mode of a process's open file, from its fdinfo ("flags:\t0100002").
bool fdWrites(const std::string& fdinfo)
{
    std::ifstream in(fdinfo);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("flags:", 0) == 0) {
            const long flags = std::strtol(line.c_str() + 6, nullptr, 8);
            return (flags & O_ACCMODE) != O_RDONLY;
        }
    }
    return false;
}

bool processWrites(const std::string& pidDir, const struct stat& file)
{
    DIR* fds = ::opendir((pidDir + "/fd").c_str());
    if (!fds)
        return false;  // gone, or another user's
    bool writes = false;
    while (const dirent* e = ::readdir(fds)) {
        if (e->d_name[0] == '.')
            continue;
        struct stat st {};
        const std::string fd = pidDir + "/fd/" + e->d_name;
        if (::stat(fd.c_str(), &st) == 0 && st.st_dev == file.st_dev && st.st_ino == file.st_ino &&
            fdWrites(pidDir + "/fdinfo/" + e->d_name)) {
            writes = true;
            break;
        }
    }
    ::closedir(fds);
    return writes;
}

}  // namespace

bool openForWriting(const std::string& path)
{
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0)
        return false;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return false;
    bool writes = false;
    while (const dirent* e = ::readdir(proc)) {
        if (!std::all_of(e->d_name, e->d_name + std::strlen(e->d_name), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        if (processWrites(std::string("/proc/") + e->d_name, file)) {
            writes = true;
            break;
        }
    }
    ::closedir(proc);
    return writes;
}

WatchedFolder::WatchedFolder(std::string dir, int64_t settleMs) : m_dir(std::move(dir)), m_settleMs(settleMs)
{
    std::error_code ec;
    if (!fs::is_directory(m_dir, ec))
        throw Error("watch: '" + m_dir + "' is not a folder");
    for (const char* sub : {kDone, kFailed}) {
        fs::create_directories(path(sub), ec);
        if (!fs::is_directory(path(sub)))
            throw Error("watch: cannot make the folder '" + path(sub) + "': " + ec.message());
    }
}

bool WatchedFolder::settled(const std::string& name, int64_t nowMs)
{
    struct stat st {};
    if (::stat(path(name).c_str(), &st) != 0)
        return false;
    const int64_t modifiedMs = int64_t(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    // The last change is the file's time of modification, or when its size was seen to change since.
    Seen& seen = m_seen[name];
    if (seen.size >= 0 && seen.size != int64_t(st.st_size))
        seen.changedMs = std::max(nowMs, modifiedMs);
    else
        seen.changedMs = std::max(seen.changedMs, modifiedMs);
    seen.size = int64_t(st.st_size);
    return nowMs - seen.changedMs >= m_settleMs;
}

std::optional<std::string> WatchedFolder::take(int64_t nowMs)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(m_dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name[0] != '.' && !endsWith(name, kMarker) && e.is_regular_file(ec) && !m_skipped.count(name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const bool marked = fs::exists(path(name + kMarker), ec);
        if ((marked || settled(name, nowMs)) && !openForWriting(path(name))) {
            if (marked)
                fs::remove(path(name + kMarker), ec);
            m_seen.erase(name);
            return name;
        }
    }
    // Forget files that went away meanwhile.
    for (auto it = m_seen.begin(); it != m_seen.end();)
        it = std::find(names.begin(), names.end(), it->first) == names.end() ? m_seen.erase(it) : std::next(it);
    return std::nullopt;
}

void WatchedFolder::ignore(const std::string& path)
{
    const fs::path p = fs::absolute(path).lexically_normal();
    if (p.parent_path() == fs::path(m_dir))
        m_skipped[p.filename().string()] = true;
}

int64_t WatchedFolder::msUntilNextSettle(int64_t nowMs) const
{
    int64_t next = -1;
    for (const auto& [name, seen] : m_seen) {
        const int64_t left = std::max<int64_t>(0, seen.changedMs + m_settleMs - nowMs);
        next = next < 0 ? left : std::min(next, left);
    }
    return next;
}

std::string WatchedFolder::destination(const std::string& name, int exitStatus) const
{
    const std::string folder = path(exitStatus == 0 || exitStatus == 3 ? kDone : kFailed);
    std::error_code ec;
    if (!fs::exists(folder + "/" + name, ec) && !fs::exists(folder + "/" + name + ".results.csv", ec))
        return folder + "/" + name;
    return folder + "/" + name + "." + localTimeText("%Y%m%d-%H%M%S");
}

}  // namespace torvane

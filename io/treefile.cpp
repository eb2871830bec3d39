#include "treefile.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// The file a save replaces: the target of a symbolic link, so that the link
// survives the save.
fs::path saveTarget(const fs::path &path)
{
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        fs::path resolved = fs::canonical(path, error);
        if (!error)
            return resolved;
    }
    return path;
}

// Creates the file only if nothing of that name exists yet.
bool createExclusively(const fs::path &path)
{
#ifdef _WIN32
    std::FILE *file = _wfopen(path.c_str(), L"wbx");
#else
    std::FILE *file = std::fopen(path.c_str(), "wbx");
#endif
    if (!file)
        return false;
    return std::fclose(file) == 0;
}

// A new, empty file beside the target, named after it; empty path on failure.
fs::path createTemporary(const fs::path &target)
{
    static unsigned counter = 0;
    const auto clock = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 64; ++attempt) {
        unsigned long long mix = clock ^ (0x9E3779B97F4A7C15ull * ++counter);
        mix ^= mix >> 29;
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08llx.tmp", mix & 0xffffffffull);
        fs::path candidate = target;
        candidate += suffix;
        if (createExclusively(candidate))
            return candidate;
        std::error_code error;
        if (!fs::exists(candidate, error) || error)
            return fs::path(); // the folder refuses new files
    }
    return fs::path();
}

// Forces the file's bytes to the disk, so that the rename never publishes a
// file whose content is still only in memory.
bool syncToDisk(const fs::path &path)
{
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0)
        return false;
    const bool ok = _commit(fd) == 0;
    return _close(fd) == 0 && ok;
#else
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    // Some file systems cannot sync at all; that is no write error.
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    return ::close(fd) == 0 && ok;
#endif
}

void syncFolder(const fs::path &folder)
{
#ifndef _WIN32
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    (void)folder;
#endif
}

bool writeTree(const TreeNode &root, const fs::path &path)
{
    std::ofstream out;
    std::unique_ptr<char[]> buffer(new char[1 << 20]);
    out.rdbuf()->pubsetbuf(buffer.get(), 1 << 20);
    out.open(path, std::ios::binary | std::ios::trunc);
    if (!out.is_open())
        return false;
    const bool written = root.write(out, -1);
    out.close();
    return written && !out.fail();
}

} // namespace

TreeFile::TreeFile(fs::path path)
    : m_path(std::move(path))
{
}

bool TreeFile::save() const
{
    const fs::path target = saveTarget(m_path);
    const fs::path temporary = createTemporary(target);
    if (temporary.empty())
        return false;
    std::error_code error;
    bool ok = writeTree(m_root, temporary) && syncToDisk(temporary);
    if (ok) {
        const fs::file_status old = fs::status(target, error);
        if (!error && fs::is_regular_file(old))
            fs::permissions(temporary, old.permissions(), fs::perm_options::replace, error);
        fs::rename(temporary, target, error);
        ok = !error;
    }
    if (!ok) {
        fs::remove(temporary, error);
        return false;
    }
    syncFolder(target.parent_path());
    return true;
}

bool TreeFile::load()
{
    m_root.clear();
    std::error_code error;
    if (fs::is_directory(m_path, error))
        return false;
    std::ifstream in(m_path, std::ios::binary);
    if (!in.is_open())
        return false;
    m_root.read(in);
    return true;
}

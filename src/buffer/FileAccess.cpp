#include "buffer/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ravelin {
namespace {

namespace fs = std::filesystem;

std::string reason(int error)
{
    return std::strerror(error);
}

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    // Closes now so that a failing close (a full disk over NFS) is seen.
    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd);
    }

private:
    int m_fd;
};

// 0 on success, else errno.
int writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// The file a name finally refers to, through any chain of symbolic links.
fs::path finalTarget(const fs::path &name)
{
    fs::path path = name;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)))
            break;
        const fs::path link = fs::read_symlink(path, ec);
        if (ec)
            break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

mode_t creationMode()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string writeInPlace(const fs::path &target, std::span<const std::uint8_t> bytes)
{
    Descriptor fd(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (fd.get() < 0)
        return reason(errno);
    if (const int error = writeAll(fd.get(), bytes))
        return reason(error);
    if (::fsync(fd.get()) != 0)
        return reason(errno);
    if (fd.close() != 0)
        return reason(errno);
    return {};
}

// A FIFO, a terminal or /dev/null is written as it stands, never replaced: a
// rename would put a plain file where the node was. No truncation and no
// fsync, which such files do not take; a FIFO nobody reads is refused rather
// than waited for.
std::string writeToNode(const fs::path &target, std::span<const std::uint8_t> bytes)
{
    Descriptor fd(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENXIO ? std::string("a FIFO nobody reads") : reason(errno);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return reason(errno);
    if (const int error = writeAll(fd.get(), bytes))
        return reason(error);
    if (fd.close() != 0)
        return reason(errno);
    return {};
}

} // namespace

FileBytes readFileBytes(const std::string &name, std::size_t limit)
{
    FileBytes result;
    Descriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        result.error = reason(errno);
        return result;
    }
    // Room for what the file says it holds, grown if it holds more: the limit
    // only bounds the read and is never claimed up front.
    struct stat info
    {
    };
    const std::size_t expected = ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode)
        ? static_cast<std::size_t>(info.st_size) + 1
        : 0;
    result.bytes.resize(std::min(limit, expected));
    std::size_t done = 0;
    while (done < limit) {
        if (done == result.bytes.size())
            result.bytes.resize(std::min(limit, std::max<std::size_t>(2 * done, 4096)));
        const ssize_t n = ::read(fd.get(), result.bytes.data() + done, result.bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.error = reason(errno);
            result.bytes.clear();
            return result;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    result.bytes.resize(done);
    if (done == limit) {
        std::uint8_t extra = 0;
        ssize_t n;
        do {
            n = ::read(fd.get(), &extra, 1);
        } while (n < 0 && errno == EINTR);
        result.truncated = n > 0;
    }
    return result;
}

std::string writeFileReplacing(const std::string &name, std::span<const std::uint8_t> bytes)
{
    if (name.empty())
        return reason(ENOENT);
    const fs::path target = finalTarget(name);
    struct stat old
    {
    };
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return reason(EISDIR);
    if (exists && (S_ISFIFO(old.st_mode) || S_ISCHR(old.st_mode)))
        return writeToNode(target, bytes);
    // A disk (or a socket) is no place for a buffer file, and would be lost.
    if (exists && !S_ISREG(old.st_mode))
        return "not a regular file";
    // A file without any write permission has been pinned by its owner; a
    // rename needs only the folder's permission and would replace it anyway,
    // even for root.
    if (exists && (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return reason(EACCES);

    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    // Built piece by piece: g++ 12 at -O3 misreads "." + name + ... as an
    // overlapping copy and would stop the build.
    std::string leaf = ".";
    leaf += target.filename().string();
    leaf += ".XXXXXX";
    std::string temporary = (folder / leaf).string();
    Descriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) {
        const int error = errno;
        // A folder the user may not write to, holding a file they may: the old
        // way, in place, is the only way left.
        if (exists && (error == EACCES || error == EPERM))
            return writeInPlace(target, bytes);
        return reason(error);
    }

    auto fail = [&](int error) {
        fd.close();
        ::unlink(temporary.c_str());
        return reason(error);
    };
    if (const int error = writeAll(fd.get(), bytes))
        return fail(error);
    if (::fchmod(fd.get(), exists ? (old.st_mode & 07777) : creationMode()) != 0)
        return fail(errno);
    if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Keeps another owner's file theirs where we may; otherwise it becomes ours.
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), old.st_uid, old.st_gid);
    }
    if (::fsync(fd.get()) != 0)
        return fail(errno);
    if (fd.close() != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return reason(error);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        // Another user's file in a sticky folder (/tmp): only its owner may
        // replace it, but it may still be writable by us.
        if (exists && (error == EACCES || error == EPERM))
            return writeInPlace(target, bytes);
        return reason(error);
    }
    // The rename itself reaches the disk with the folder.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return {};
}

} // namespace ravelin

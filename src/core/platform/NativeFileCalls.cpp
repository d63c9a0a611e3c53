// The one place where the engine calls the operating system's file functions
// directly: what the standard library does not offer. A durable file
// replacement needs exclusive owner-only creation and syncing a file and its
// directory; a safe open needs to refuse what is no regular file before it
// could wait on it (a FIFO) and to refuse links. NativeFileCallsWindows.cpp is
// its Windows counterpart.

#include "platform/Files.h"

#if !defined(_WIN32)

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>

namespace tavik {
namespace {

int descriptor(FileCalls::Handle handle) {
    return static_cast<int>(handle);
}

class PosixFileCalls final : public FileCalls {
public:
    CreateResult createExclusive(const std::filesystem::path& path, Handle& handle) override {
        int fd = -1;
        do {
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return errno == EEXIST ? CreateResult::Exists : CreateResult::Failed;
        handle = fd;
        return CreateResult::Created;
    }

    bool writeAll(Handle handle, std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t n = ::write(descriptor(handle), bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    bool sync(Handle handle) override {
        int result = 0;
        do {
            result = ::fsync(descriptor(handle));
        } while (result != 0 && errno == EINTR);
        return result == 0;
    }

    bool close(Handle handle) override {
        // The descriptor is gone even when close reports an error; never retry it.
        return ::close(descriptor(handle)) == 0;
    }

    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return std::rename(from.c_str(), to.c_str()) == 0;
    }

    void remove(const std::filesystem::path& path) override { ::unlink(path.c_str()); }

    bool syncDirectory(const std::filesystem::path& directory) override {
        const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        int result = 0;
        do {
            result = ::fsync(fd);
        } while (result != 0 && errno == EINTR);
        // File systems that cannot sync a directory say so; there is nothing more to do there.
        const bool ok = result == 0 || errno == EINVAL || errno == ENOTSUP;
        ::close(fd);
        return ok;
    }

    long long processId() override { return static_cast<long long>(::getpid()); }

    bool processExists(long long process) override {
        // 0 and negative numbers name process groups; what pid_t cannot hold names nothing we made.
        if (process <= 0 || process > INT_MAX) return true;
        return ::kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
    }
};

int openRetrying(int directory, const char* path, int flags, mode_t mode = 0) {
    int fd = -1;
    do {
        fd = ::openat(directory, path, flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The descriptor when it is a regular file, else closed and -1.
int regularOrClosed(int fd, struct stat& info) {
    if (fd < 0) return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Clears O_NONBLOCK again: a regular file never waits, and its reads and
// writes are plain ones from here on.
int blockingOrClosed(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

long long OpenFile::read(char* into, std::size_t size) {
    if (!isOpen()) return -1;
    for (;;) {
        const ssize_t n = ::read(descriptor(m_handle), into, size);
        if (n < 0 && errno == EINTR) continue;
        return static_cast<long long>(n);
    }
}

bool OpenFile::writeAll(std::string_view bytes) {
    return isOpen() && nativeFileCalls().writeAll(m_handle, bytes);
}

bool OpenFile::close() {
    if (!isOpen()) return true;
    const long long handle = m_handle;
    m_handle = NoHandle;
    return nativeFileCalls().close(handle);
}

OpenFile openForReading(const std::filesystem::path& path) {
    // Non-blocking, so that a FIFO neither waits for a writer here nor is read at all.
    struct stat info {};
    const int fd = regularOrClosed(openRetrying(AT_FDCWD, path.c_str(), O_RDONLY | O_NONBLOCK), info);
    if (fd < 0) return {};
    const int blocking = blockingOrClosed(fd);
    if (blocking < 0) return {};
    return OpenFile(blocking);
}

OpenFile openOwnerOnlyForAppending(const std::filesystem::path& path) {
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    // The file is opened inside the folder as it was found, so a link swapped
    // in for the folder afterwards cannot steer the file elsewhere either.
    const int directory = openRetrying(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (directory < 0) return {};
    struct stat info {};
    const int fd = regularOrClosed(
        openRetrying(directory, path.filename().c_str(),
                     O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK, S_IRUSR | S_IWUSR),
        info);
    ::close(directory);
    if (fd < 0) return {};
    // A file made by an older version or by hand keeps the owner's rights only.
    constexpr mode_t Others = S_IRWXG | S_IRWXO;
    if ((info.st_mode & Others) != 0 && ::fchmod(fd, info.st_mode & 07777 & ~Others) != 0) {
        ::close(fd);
        return {};
    }
    const int blocking = blockingOrClosed(fd);
    if (blocking < 0) return {};
    return OpenFile(blocking);
}

bool createOwnerOnlyDirectory(const std::filesystem::path& path) {
    if (::mkdir(path.c_str(), S_IRWXU) == 0) return true;
    struct stat info {};
    return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

FileCalls& nativeFileCalls() {
    static PosixFileCalls calls;
    return calls;
}

}  // namespace tavik

#endif

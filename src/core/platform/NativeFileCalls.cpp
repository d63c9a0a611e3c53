// The one place where the engine calls the operating system's file functions
// directly: what a durable file replacement needs and the standard library
// does not offer (exclusive owner-only creation, syncing a file and its
// directory). NativeFileCallsWindows.cpp is its Windows counterpart.

#include "platform/Files.h"

#if !defined(_WIN32)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
};

}  // namespace

FileCalls& nativeFileCalls() {
    static PosixFileCalls calls;
    return calls;
}

}  // namespace tavik

#endif

// The Windows counterpart of NativeFileCalls.cpp: the same durable file
// replacement with the system's own calls. Files are created in the user's own
// folder, whose default rights already keep other users out, so "owner-only"
// needs no extra access list here.

#include "platform/Files.h"

#if defined(_WIN32)

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <climits>

namespace tavik {
namespace {

int descriptor(FileCalls::Handle handle) {
    return static_cast<int>(handle);
}

class WindowsFileCalls final : public FileCalls {
public:
    CreateResult createExclusive(const std::filesystem::path& path, Handle& handle) override {
        const int fd = ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                                _S_IREAD | _S_IWRITE);
        if (fd < 0) return errno == EEXIST ? CreateResult::Exists : CreateResult::Failed;
        handle = fd;
        return CreateResult::Created;
    }

    bool writeAll(Handle handle, std::string_view bytes) override {
        while (!bytes.empty()) {
            const unsigned chunk = bytes.size() > INT_MAX ? INT_MAX : static_cast<unsigned>(bytes.size());
            const int n = ::_write(descriptor(handle), bytes.data(), chunk);
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    bool sync(Handle handle) override { return ::_commit(descriptor(handle)) == 0; }

    bool close(Handle handle) override { return ::_close(descriptor(handle)) == 0; }

    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        // MOVEFILE_WRITE_THROUGH returns only once the move is on the disk.
        return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
               0;
    }

    void remove(const std::filesystem::path& path) override { ::_wunlink(path.c_str()); }

    // The write-through rename has made the directory entry durable already.
    bool syncDirectory(const std::filesystem::path&) override { return true; }

    long long processId() override { return static_cast<long long>(::_getpid()); }
};

}  // namespace

FileCalls& nativeFileCalls() {
    static WindowsFileCalls calls;
    return calls;
}

}  // namespace tavik

#endif

// The Windows counterpart of NativeFileCalls.cpp: the same durable file
// replacement and safe opens with the system's own calls. Files are created in the user's own
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
#include <cstdint>

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

    bool processExists(long long process) override {
        if (process <= 0 || process > static_cast<long long>(MAXDWORD)) return true;
        HANDLE handle = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
        // Refused access means a process of another user runs under that number.
        if (handle == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
        // A handle kept open elsewhere outlives its process: only a running one counts.
        DWORD code = 0;
        const bool running = ::GetExitCodeProcess(handle, &code) == 0 || code == STILL_ACTIVE;
        ::CloseHandle(handle);
        return running;
    }
};

// A C runtime descriptor for `handle` when it is a regular file on a disk (no
// device such as CON, no pipe, no folder, no link); else the handle is closed
// and -1 returned.
int regularOrClosed(HANDLE handle, int flags) {
    if (handle == INVALID_HANDLE_VALUE) return -1;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular =
        ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info) != 0 &&
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    const int fd = regular ? ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags) : -1;
    // Once the descriptor is made it owns the handle.
    if (fd < 0) ::CloseHandle(handle);
    return fd;
}

}  // namespace

long long OpenFile::read(char* into, std::size_t size) {
    if (!isOpen()) return -1;
    const unsigned chunk = size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
    return static_cast<long long>(::_read(descriptor(m_handle), into, chunk));
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
    // Links are followed on reading: what counts is the file they lead to.
    HANDLE handle =
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const int fd = regularOrClosed(handle, _O_RDONLY | _O_BINARY);
    if (fd < 0) return {};
    return OpenFile(fd);
}

OpenFile openOwnerOnlyForAppending(const std::filesystem::path& path) {
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    const DWORD folderAttributes = ::GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES || (folderAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return {};
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which is then refused;
    // append-only access makes every write land at the end.
    HANDLE handle = ::CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const int fd = regularOrClosed(handle, _O_WRONLY | _O_APPEND | _O_BINARY);
    if (fd < 0) return {};
    return OpenFile(fd);
}

bool createOwnerOnlyDirectory(const std::filesystem::path& path) {
    // The folder inherits the rights of the user's own folder it is made in.
    if (::CreateDirectoryW(path.c_str(), nullptr) != 0) return true;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileCalls& nativeFileCalls() {
    static WindowsFileCalls calls;
    return calls;
}

}  // namespace tavik

#endif

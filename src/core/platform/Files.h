#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavik {

// A regular file opened by `openForReading` or `openOwnerOnlyForAppending`,
// closed when the object goes. Every file the program reads or appends to is
// opened through these two, so none of them can hang the program: a FIFO, a
// device or a directory under a file's name is refused like a missing file.
class OpenFile {
public:
    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    OpenFile(OpenFile&& other) noexcept : m_handle(other.m_handle) { other.m_handle = NoHandle; }
    OpenFile& operator=(OpenFile&& other) noexcept;
    ~OpenFile() { close(); }

    bool isOpen() const { return m_handle != NoHandle; }
    // Up to `size` bytes into `into`: how many were read, 0 at the end, -1 on an error.
    long long read(char* into, std::size_t size);
    // Writes all of `bytes` (short writes are continued).
    bool writeAll(std::string_view bytes);
    // Closes the file now; false when the system reports an error doing so.
    bool close();

private:
    static constexpr long long NoHandle = -1;
    explicit OpenFile(long long handle) : m_handle(handle) {}
    friend OpenFile openForReading(const std::filesystem::path& path);
    friend OpenFile openOwnerOnlyForAppending(const std::filesystem::path& path);

    long long m_handle = NoHandle;
};

// Opens a regular file for reading (a link to one counts), without waiting
// for anything; not open when it is missing, unreadable or anything else.
OpenFile openForReading(const std::filesystem::path& path);

// Opens a file for appending, created readable and writable by its owner only
// from its first byte on; an existing one loses the rights of others. A
// symbolic link as the file or as the folder it lies in is refused, so the
// bytes can never be steered into a file elsewhere; so is anything but a
// regular file. Not open when any of this fails.
OpenFile openOwnerOnlyForAppending(const std::filesystem::path& path);

// Makes a folder that only its owner may enter; true when it is made or
// already there (as it is: an existing folder keeps its rights).
bool createOwnerOnlyDirectory(const std::filesystem::path& path);

// The whole content of a file, or nothing when it cannot be opened or read.
// Only for files whose size the program itself bounds; anything a user or
// another program may have put there goes through `readFileAtMost`.
std::optional<std::string> readFile(const std::filesystem::path& path);

enum class ReadStatus {
    Read,        // `bytes` holds the whole file
    CannotOpen,  // missing, no permission, not a regular file (a directory, a FIFO)
    TooLarge,    // more than the limit: `bytes` holds its first `limit` bytes
    Failed,      // a read error part-way
};

struct BoundedRead {
    ReadStatus status = ReadStatus::CannotOpen;
    std::string bytes;
};

// Reads at most `limit` bytes of a file and finds out whether there is more
// (one byte beyond the limit is asked for, never the rest), so a huge file
// costs no more than one of the limit's size.
BoundedRead readFileAtMost(const std::filesystem::path& path, std::size_t limit);

// The operating system's calls that a durable replacement of a file needs.
// The engine's own implementation (`nativeFileCalls`) is the only place that
// speaks to the system directly; tests put one in that fails at a chosen step.
class FileCalls {
public:
    using Handle = long long;
    static constexpr Handle NoHandle = -1;
    enum class CreateResult { Created, Exists, Failed };

    virtual ~FileCalls() = default;
    // Creates a new file for writing, readable and writable by its owner only
    // from the first moment on; `Exists` when the name is taken.
    virtual CreateResult createExclusive(const std::filesystem::path& path, Handle& handle) = 0;
    // Writes all of `bytes` (short writes are continued).
    virtual bool writeAll(Handle handle, std::string_view bytes) = 0;
    // Forces the written bytes onto the disk.
    virtual bool sync(Handle handle) = 0;
    virtual bool close(Handle handle) = 0;
    // Replaces `to` by `from` in one step.
    virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    virtual void remove(const std::filesystem::path& path) = 0;
    // Forces the directory's entries (a rename in it) onto the disk.
    virtual bool syncDirectory(const std::filesystem::path& directory) = 0;
    // A number that differs between processes running at the same time.
    virtual long long processId() = 0;
    // Whether a process of that number runs now; true when that cannot be told,
    // so that a file is kept rather than taken from a writer still at work.
    virtual bool processExists(long long process) = 0;
};

// The system's own calls.
FileCalls& nativeFileCalls();

// Replaces `path` with `bytes` so that readers, and the disk after a power
// loss, see the old or the new file, never a half-written one: the bytes go
// to a new temporary file beside it (owner-only from its creation, with a
// name no other writer uses), are synced, and the file is renamed over the
// target; then the directory is synced. The result is readable and writable
// by its owner only. False, with the old file whole and no temporary file
// left, when anything fails.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         FileCalls& calls = nativeFileCalls());

// Removes the temporary files that `writeFileAtomically` left beside `path`
// when its process was killed during a save: only regular files named exactly
// "<name of path>.tmp-<digits>-<digits>" whose process no longer runs; links
// and everything else are left alone.
void removeStaleTemporaryFiles(const std::filesystem::path& path, FileCalls& calls = nativeFileCalls());

}  // namespace tavik

#include "platform/Files.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tavik {

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

BoundedRead readFileAtMost(const std::filesystem::path& path, std::size_t limit) {
    BoundedRead result;
    std::error_code ec;
    // A directory opens as a stream on some systems; it is no file to read.
    if (std::filesystem::is_directory(path, ec)) return result;
    std::ifstream in(path, std::ios::binary);
    if (!in) return result;
    char chunk[64 * 1024];
    for (;;) {
        // Never more than one byte beyond the limit.
        const std::size_t want = std::min(sizeof chunk, limit + 1 - result.bytes.size());
        in.read(chunk, static_cast<std::streamsize>(want));
        const auto got = static_cast<std::size_t>(in.gcount());
        result.bytes.append(chunk, got);
        if (result.bytes.size() > limit) {
            result.bytes.resize(limit);
            result.status = ReadStatus::TooLarge;
            return result;
        }
        if (got < want) break;
    }
    result.status = in.bad() ? ReadStatus::Failed : ReadStatus::Read;
    if (result.status == ReadStatus::Failed) result.bytes.clear();
    return result;
}

namespace {

// Beside the target, so the rename stays within one file system. The process
// id and a counter make the name this writer's own; creating it exclusively
// makes sure of it even against a stale file of a crashed run.
std::filesystem::path temporaryName(const std::filesystem::path& path, long long process) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path name = path;
    name += ".tmp-";
    name += std::to_string(process);
    name += '-';
    name += std::to_string(counter.fetch_add(1));
    return name;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, FileCalls& calls) {
    constexpr unsigned Attempts = 100;
    std::filesystem::path temporary;
    FileCalls::Handle handle = FileCalls::NoHandle;
    for (unsigned attempt = 0; handle == FileCalls::NoHandle; ++attempt) {
        if (attempt == Attempts) return false;
        temporary = temporaryName(path, calls.processId());
        const FileCalls::CreateResult created = calls.createExclusive(temporary, handle);
        if (created == FileCalls::CreateResult::Failed) return false;
        if (created == FileCalls::CreateResult::Exists) handle = FileCalls::NoHandle;
    }

    bool ok = calls.writeAll(handle, bytes);
    ok = ok && calls.sync(handle);
    ok = calls.close(handle) && ok;
    ok = ok && calls.rename(temporary, path);
    if (!ok) {
        calls.remove(temporary);
        return false;
    }
    // The rename is only safe from a power loss once the directory is on disk.
    std::filesystem::path directory = path.parent_path();
    if (directory.empty()) directory = ".";
    return calls.syncDirectory(directory);
}

}  // namespace tavik

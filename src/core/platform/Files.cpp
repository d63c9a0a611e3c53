#include "platform/Files.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <system_error>

namespace tavik {

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        close();
        m_handle = other.m_handle;
        other.m_handle = NoHandle;
    }
    return *this;
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
    OpenFile file = openForReading(path);
    if (!file.isOpen()) return std::nullopt;
    std::string bytes;
    char chunk[64 * 1024];
    for (;;) {
        const long long got = file.read(chunk, sizeof chunk);
        if (got < 0) return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

BoundedRead readFileAtMost(const std::filesystem::path& path, std::size_t limit) {
    BoundedRead result;
    OpenFile file = openForReading(path);
    if (!file.isOpen()) return result;
    char chunk[64 * 1024];
    for (;;) {
        // Never more than one byte beyond the limit.
        const std::size_t want = std::min(sizeof chunk, limit + 1 - result.bytes.size());
        const long long got = file.read(chunk, want);
        if (got < 0) {
            result.status = ReadStatus::Failed;
            result.bytes.clear();
            return result;
        }
        if (got == 0) break;
        result.bytes.append(chunk, static_cast<std::size_t>(got));
        if (result.bytes.size() > limit) {
            result.bytes.resize(limit);
            result.status = ReadStatus::TooLarge;
            return result;
        }
    }
    result.status = ReadStatus::Read;
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

namespace {

// The process number in what follows the target's name in a temporary name
// of ours (".tmp-<pid>-<n>"), or nothing when `rest` is not of that form.
std::optional<long long> temporaryOwner(std::string_view rest) {
    constexpr std::string_view Marker = ".tmp-";
    if (rest.substr(0, Marker.size()) != Marker) return std::nullopt;
    rest.remove_prefix(Marker.size());
    const auto allDigits = [](std::string_view part) {
        return !part.empty() &&
               std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos || !allDigits(rest.substr(0, dash)) ||
        !allDigits(rest.substr(dash + 1)))
        return std::nullopt;
    long long process = 0;
    // A number too large for any process is no name we made.
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + dash, process);
    if (error != std::errc{} || end != rest.data() + dash) return std::nullopt;
    return process;
}

}  // namespace

void removeStaleTemporaryFiles(const std::filesystem::path& path, FileCalls& calls) {
    std::filesystem::path directory = path.parent_path();
    if (directory.empty()) directory = ".";
    // Compared as the system spells names, so no name is read through a conversion.
    const auto leaf = path.filename().native();
    std::error_code ec;
    std::filesystem::directory_iterator it(directory, ec);
    if (ec) return;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) return;
        const auto name = it->path().filename().native();
        if (name.size() <= leaf.size() || name.compare(0, leaf.size(), leaf) != 0) continue;
        // What follows the target's name is ASCII in a name of ours.
        std::string rest;
        bool ascii = true;
        for (std::size_t i = leaf.size(); i < name.size() && ascii; ++i) {
            const auto unit = static_cast<unsigned long>(name[i]);
            ascii = unit < 0x80;
            rest.push_back(static_cast<char>(unit));
        }
        if (!ascii) continue;
        const std::optional<long long> process = temporaryOwner(rest);
        if (!process) continue;
        // The entry itself, never what a link points to.
        std::error_code statusError;
        const std::filesystem::file_status status = std::filesystem::symlink_status(it->path(), statusError);
        if (statusError || !std::filesystem::is_regular_file(status)) continue;
        if (calls.processExists(*process)) continue;
        calls.remove(it->path());
    }
}

}  // namespace tavik

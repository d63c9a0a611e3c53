#include "chat/Sound.h"

#include <array>
#include <chrono>
#include <system_error>

#include "platform/Desktop.h"
#include "platform/FileNames.h"

namespace tavik {

namespace {

constexpr std::array<unsigned char, 42> Separators = {
    0x20, 0x2B, 0x22, 0x5C, 0x2A, 0xE7, 0x25, 0x26, 0x2F, 0x28, 0x29, 0x3D, 0x3F, 0x60,
    0xA7, 0xB0, 0x5B, 0x5D, 0x7B, 0x7D, 0xF6, 0xE4, 0xFC, 0x24, 0xA8, 0x21, 0x2C, 0x2E,
    0x2D, 0x3B, 0x3A, 0x5F, 0x3C, 0x3E, 0x7E, 0xB4, 0x5E, 0x7C, 0xAC, 0x23, 0x40, 0xA6};

constexpr std::array<bool, 256> makeSeparatorTable() {
    std::array<bool, 256> t{};
    for (const unsigned char c : Separators)
        t[c] = true;
    return t;
}
constexpr std::array<bool, 256> SeparatorTable = makeSeparatorTable();

}  // namespace

Sound::Sound(Desktop& desktop, const std::filesystem::path& workingDirectory)
    : m_desktop(desktop), m_directory(workingDirectory / pathFromWindows1252(Directory)) {}

bool Sound::isSeparator(unsigned char c) {
    return SeparatorTable[c];
}

void Sound::refreshIndex() {
    std::error_code ec;
    const auto stamp = std::filesystem::last_write_time(m_directory, ec);
    if (ec) {
        m_files.clear();
        m_indexed = false;
        return;
    }
    if (m_indexed && stamp == m_indexedAt && !m_indexRacy) return;
    // A directory's time stamp is coarse: whole seconds on Windows, two on FAT
    // drives, a clock tick on Linux. A file added in the same tick as our listing
    // leaves the stamp unchanged, so a listing made while the stamp is that young
    // is made again next time, until the directory has been quiet for a while.
    const auto now = std::filesystem::file_time_type::clock::now();
    m_indexRacy = now - stamp < std::chrono::seconds(3);
    m_files.clear();
    for (std::filesystem::directory_iterator it(m_directory, ec), end; !ec && it != end; it.increment(ec)) {
        if (std::optional<std::string> name = windows1252FromPath(it->path().filename()))
            m_files.emplace(std::move(*name), it->path());
    }
    m_indexedAt = stamp;
    m_indexed = true;
}

const std::filesystem::path* Sound::find(std::string_view word) {
    m_key.assign(word);
    m_key += ".wav";
    const auto it = m_files.find(std::string_view(m_key));
    return it == m_files.end() ? nullptr : &it->second;
}

template <typename F>
void Sound::forEachWordSound(std::string_view text, F&& found) {
    refreshIndex();
    if (m_files.empty()) return;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isSeparator(static_cast<unsigned char>(text[i]))) continue;
        // Two separators in a row give an empty word, looked up like any other.
        const std::filesystem::path* file = find(text.substr(start, i - start));
        // The player opens the file as it is: a FIFO there would hang it.
        std::error_code ec;
        if (file && std::filesystem::is_regular_file(*file, ec) && !found(*file)) return;
        start = i + 1;
    }
}

void Sound::playWordSounds(std::string_view text) {
    forEachWordSound(text, [this](const std::filesystem::path& file) {
        m_desktop.stopSound();
        const std::u8string utf8 = file.u8string();
        m_desktop.playSound(std::string(utf8.begin(), utf8.end()));
        return true;
    });
}

bool Sound::hasWordSound(std::string_view text) {
    bool found = false;
    forEachWordSound(text, [&found](const std::filesystem::path&) {
        found = true;
        return false;
    });
    return found;
}

}  // namespace tavik

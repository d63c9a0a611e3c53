#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

#include "text/Text.h"

namespace tavik {

class Desktop;

// Word sounds: every word of a new row that has a file "Sounds/<word>.wav"
// plays it, each one stopping the one before. File names match ignoring case,
// as the users of this chat expect from their systems.
class Sound {
public:
    static constexpr std::string_view Directory = "Sounds";

    // The sounds are looked for in the folder "Sounds" of `workingDirectory`.
    Sound(Desktop& desktop, const std::filesystem::path& workingDirectory);

    static bool isSeparator(unsigned char c);
    void playWordSounds(std::string_view text);
    // Whether a word of `text` has a sound, without playing it.
    bool hasWordSound(std::string_view text);

private:
    // The file for "<word>.wav", or null.
    const std::filesystem::path* find(std::string_view word);
    void refreshIndex();
    // Calls `found` with each word's file, in order, until it answers false.
    template <typename F>
    void forEachWordSound(std::string_view text, F&& found);

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return hashIgnoreCase(s); }
    };
    struct Equal {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const { return equalsIgnoreCase(a, b); }
    };

    Desktop& m_desktop;
    std::filesystem::path m_directory;  // the folder "Sounds"
    // The directory's files by their Windows-1252 names, rebuilt when the directory changes.
    std::unordered_map<std::string, std::filesystem::path, Hash, Equal> m_files;
    std::filesystem::file_time_type m_indexedAt{};
    bool m_indexed = false;
    bool m_indexRacy = false;  // the listing may have missed a file added in the stamp's tick
    std::string m_key;
};

}  // namespace tavik

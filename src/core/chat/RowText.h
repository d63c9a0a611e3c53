#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

class MessageView;
struct LocalTime;

// A piece of a row's text, in bytes (Windows-1252: one byte per character).
struct TextRange {
    std::size_t begin = 0;
    std::size_t length = 0;
    bool operator==(const TextRange&) const = default;
};

// The web addresses in a text: what starts with "http://", "https://" or
// "www." (in any case) at the start of a word and runs on over printable
// ASCII, without the punctuation that ends a sentence (".,;:!?'\"" and a
// closing bracket that opens nowhere in the address). Nothing else is an
// address: no other scheme, no control byte, no byte beyond ASCII.
std::vector<TextRange> findLinks(std::string_view text);
// The link under byte `at` of the text, or an empty range.
TextRange linkAt(std::string_view text, std::size_t at);
// What a click on the address opens: "www." gets "http://" before it.
std::string linkTarget(std::string_view link);

// The menu a right click on an address gets: "Link öffnen", "Link kopieren".
struct LinkMenuEntry {
    int command = 0;
    std::string_view label;  // Windows-1252
};
inline constexpr int LinkOpenCommand = 33040;
inline constexpr int LinkCopyCommand = 33041;
inline constexpr LinkMenuEntry LinkMenu[] = {{LinkOpenCommand,
                                              "Link \xF6"
                                              "ffnen"},
                                             {LinkCopyCommand, "Link kopieren"}};

// Every place of `needle` in `text` ignoring case (A-Z and the accented
// letters of Windows-1252, umlauts included), left to right, not overlapping.
std::vector<TextRange> findMatches(std::string_view text, std::string_view needle);
bool containsIgnoringCase(std::string_view text, std::string_view needle);

// Find in the message list: the rows whose name or text holds the query.
class RowSearch {
public:
    enum class Direction { Forward, Backward };

    void setQuery(std::string_view query) { m_query = query; }
    const std::string& query() const { return m_query; }

    bool matches(const MessageView& view, int row) const;
    // The next matching row after `from` (before it, backwards), going round
    // the end; `from` itself only when it is the only one. -1: none.
    int next(const MessageView& view, int from, Direction direction) const;
    int matchingRows(const MessageView& view) const;
    // Marks the next matching row from the marker on (selected, the marker,
    // made visible) and returns it; -1 leaves the marker where it is.
    int step(MessageView& view, Direction direction) const;

private:
    std::string m_query;
};

// The lines of a log file that hold the query, ignoring case.
struct LogSearch {
    static constexpr std::size_t MaxShown = 200;
    static constexpr std::size_t MaxBytes = 32u << 20;

    bool found = false;              // the file was there and could be read
    bool cut = false;                // only its first MaxBytes were searched
    std::size_t hits = 0;            // lines that hold the query
    std::vector<std::string> lines;  // the first MaxShown of them, without their line end
};
LogSearch searchLog(const std::filesystem::path& file, std::string_view query);
// Today's log file ("LogFiles/MM.DD.YY.log") of a working directory.
std::filesystem::path logFileOfDay(const std::filesystem::path& workingDirectory, const LocalTime& day);

}  // namespace tavik

// Outgoing text of any bytes, any head count and widths around a chat line's:
// every composed row fits the width, the rows of a line are equally wide, the
// result is empty exactly when some body word cannot fit, plain text comes
// back word for word, no later row begins its text with a command character,
// and no word reaches a file outside the picture directory.
//
// Input: byte 0 the head count (0..7), byte 1 the width (0..200), the rest the text.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "art/WrappedText.h"

namespace {

namespace fs = std::filesystem;
using namespace tavik;

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

void writeBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A working directory with two pictures in "inline", a link in it that leads
// out, and a secret beside it that must never show up in a composed text.
struct PictureDirectory {
    PictureDirectory() {
        root = fs::temp_directory_path() / ("tavik-fuzz-wrapped-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "inline");
        writeBytes(root / "inline" / "eule", "(o o)\r\n ( )\r\n  v");
        writeBytes(root / "inline" / "h", "<3\n\n\xFF\r\n");
        writeBytes(root / "GEHEIM", "GEHEIM");
        std::error_code ec;
        fs::create_symlink(root / "GEHEIM", root / "inline" / "g", ec);
    }
    ~PictureDirectory() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root;
};

const PictureDirectory& pictures() {
    static const PictureDirectory directory;
    return directory;
}

std::vector<std::string_view> split(std::string_view text, char at) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto pos = text.find(at);
        parts.push_back(text.substr(0, pos));
        if (pos == std::string_view::npos) return parts;
        text.remove_prefix(pos + 1);
    }
}

std::size_t longestRow(std::string_view word) {
    std::size_t longest = 0;
    for (std::string_view row : split(word, '\n'))
        longest = std::max(longest, row.size());
    return longest;
}

std::string joined(const std::vector<std::string_view>& words, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t k = from; k < to; ++k) {
        if (k > from) out += ' ';
        out += words[k];
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int headCount = data[0] % 8;
    const int width = data[1] % 201;
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

    // Rows never hold a line feed (words are cut into rows there), so with a
    // line feed as line end every piece between two is exactly one row.
    WrappedText wrapped(text, headCount, pictures().root / "inline");
    const std::string out = wrapped.compose(width, "\n");
    if (!out.empty() && out.back() != '\n') violated("the result does not end with the line end");
    std::vector<std::string_view> rows = split(out, '\n');
    rows.pop_back();
    for (std::string_view row : rows) {
        // Every word costs two more than its length, and n words need n - 1 blanks.
        if (static_cast<long>(row.size()) > width - 2) violated("a row is wider than the width allows");
    }
    if (text.find("GEHEIM") == std::string_view::npos && out.find("GEHEIM") != std::string::npos) {
        violated("a file outside the picture directory was read");
    }

    // A CR or LF in the text is a blank: no line break travels inside a row.
    std::string blanked(text);
    std::replace_if(
        blanked.begin(), blanked.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    const std::vector<std::string_view> words = split(blanked, ' ');
    const std::size_t heads = std::min(words.size(), static_cast<std::size_t>(headCount));
    if (wrapped.headWords().size() != heads || wrapped.bodyWords().size() != words.size() - heads) {
        violated("the words are not the pieces between blanks");
    }
    if (text.find('/') != std::string_view::npos) return 0;

    // Without pictures the outcome is known: empty exactly when a body word
    // cannot stand alone behind the head words. A word after the first that
    // begins with a command character always begins a line (it cannot share
    // one if it does not fit alone) and then needs one more for its blank.
    constexpr std::string_view CommandLeads = "+-<>|";
    const auto guarded = [&](std::string_view word) {
        return !word.empty() && CommandLeads.find(word.front()) != std::string_view::npos;
    };
    std::size_t headCost = 0;
    for (std::size_t k = 0; k < heads; ++k)
        headCost += longestRow(words[k]) + 2;
    bool fits = heads < words.size();
    for (std::size_t k = heads; k < words.size(); ++k) {
        const std::size_t blank = k > heads && guarded(words[k]) ? 1 : 0;
        if (static_cast<long>(headCost + longestRow(words[k]) + 2 + blank) > width) fits = false;
    }
    if (out.empty() == fits) violated("the result is empty although every word fits, or the other way round");
    if (!fits) return 0;

    // Single-row words: each row is the head words and a run of body words,
    // and the runs in order give the body words again. A later row whose run
    // begins with a command character has one blank in front of it, and no
    // later row's run begins with one.
    const std::string head = joined(words, 0, heads);
    std::size_t next = heads;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string_view row = rows[i];
        if (heads > 0) {
            if (row.substr(0, head.size() + 1) != head + " ")
                violated("a row does not start with the head words");
            row.remove_prefix(head.size() + 1);
        }
        if (i > 0 && !row.empty() && CommandLeads.find(row.front()) != std::string_view::npos)
            violated("a later row begins with a command character");
        if (i > 0 && next < words.size() && guarded(words[next])) {
            if (row.empty() || row.front() != ' ') violated("a guarded run without its blank");
            row.remove_prefix(1);
        }
        for (const std::string_view word : split(row, ' ')) {
            if (next >= words.size() || word != words[next])
                violated("the rows do not give the body words back");
            ++next;
        }
    }
    if (next != words.size()) violated("the rows do not give all body words back");
    return 0;
}

#pragma once

// Cutting outgoing text into server lines of a given width. The leading
// command words ("/w" and the whispered chatter, say) are repeated on every
// line so that each piece stays the same kind of command, and a word written
// between two "/" is replaced by a small text picture from the "inline"
// directory, drawn over several rows beside the other words.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// A picture file is read only when it is at most this large and gives at most
// this many rows (a final line feed adds an empty last row). Anything bigger is
// treated like a missing file: pictures are meant to be a few lines of a chat
// line's width, and a stray big file must not make one send cost megabytes.
inline constexpr std::uintmax_t MaxInlinePictureBytes = 64 * 1024;
inline constexpr int MaxInlinePictureRows = 100;

// The bytes of a file as a text-mode read gives them: CR LF becomes one LF,
// every other CR becomes a LF too, and a Ctrl+Z (byte 26) ends the file.
// A file that cannot be opened, or holds more than MaxInlinePictureBytes (of
// which no more than one byte past the limit is read), reads as "\n", which
// makes a picture of two empty rows.
std::string readWholeTextFile(const std::filesystem::path& path);

// One word as a rectangle of characters: its rows are the pieces of the text
// between line feeds, every row as wide as the longest. In a line taller than
// itself a word stands on the bottom rows; the rows above show blanks.
class WordBlock {
public:
    explicit WordBlock(std::string_view text = {}) { load(text); }

    // Divides `text` at every line feed: n line feeds give n + 1 rows, the last
    // one possibly empty. The line height becomes the word's own row count.
    void load(std::string_view text);

    // The number of rows of the line the word stands in, for getRow.
    void setLineHeight(int height) { m_lineHeight = height; }

    // Row `row` of the line, exactly width() characters: the word's own rows
    // fill the bottom of the line, the rows above show the filler.
    std::string getRow(int row) const;

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    // One of the word's own rows begins with one of `characters` (a row shorter
    // than the word begins with a blank once it is filled up).
    bool anyRowStartsWith(std::string_view characters) const;
    // Length of the longest row.
    std::size_t width() const { return m_width; }
    int lineHeight() const { return m_lineHeight; }

protected:
    // What a word shows on the rows of a line above its own rows.
    enum class Filler { Blanks, FirstRow };

    WordBlock(std::string_view text, Filler filler) : m_filler(filler) { load(text); }

private:
    std::vector<std::string> m_rows;  // unpadded; getRow fills them up with blanks
    std::size_t m_width = 0;
    int m_lineHeight = 1;
    Filler m_filler = Filler::Blanks;
};

// A leading command word. It shows its first row on every row of a line, so a
// command stays whole in front of a picture several rows high.
class HeadWord : public WordBlock {
public:
    explicit HeadWord(std::string_view text) : WordBlock(text, Filler::FirstRow) {}
};

// A word "/name/": the rows are the picture file `name` in `inlineDirectory`.
// Only a plain file directly inside that directory is read; a name with a path
// separator, "." or "..", a symbolic link leading out of the directory, a file
// over the size or row limits, or one that cannot be read all give two empty
// rows, like a missing file. A typed word must never send some other file of
// the machine to a chat server.
class InlinePicture : public WordBlock {
public:
    InlinePicture(std::string_view name, const std::filesystem::path& inlineDirectory);
};

// Outgoing text cut into words. It lives for one send.
class WrappedText {
public:
    // Cuts `text` at every single blank (two blanks in a row give an empty word,
    // which keeps both blanks in the result). A CR or LF in `text` is taken as
    // a blank: no line break travels inside a composed line. The first `headCount` words are
    // head words; of the others, a word that starts and ends with "/" (a lone
    // "/" too) is a picture, any other a plain word.
    WrappedText(std::string_view text, int headCount, const std::filesystem::path& inlineDirectory);

    // The text as lines of at most `width` characters, every row ending with
    // `lineEnd`; each line begins with the head words. Every word costs its
    // length plus 2 against the width. Empty when there is no body word or when
    // a body word does not fit behind the head words: the caller then sends the
    // text unwrapped. A line after the first whose first body word would begin
    // a row with "/" or with a character the server takes as a command ("+",
    // "-", "<", ">", "|") gets a blank in front of that word, as a typed line
    // does: text that lands at the start of a later line is never a command.
    std::string compose(int width, std::string_view lineEnd);

    const std::vector<HeadWord>& headWords() const { return m_heads; }
    const std::vector<WordBlock>& bodyWords() const { return m_body; }

private:
    std::vector<HeadWord> m_heads;
    std::vector<WordBlock> m_body;  // plain words and pictures in text order
};

}  // namespace tavik

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Files.h"

namespace tavik {

class Desktop;

// The display font as the settings file stores it: the 60-byte logical font
// record of the window system. The Qt layer maps it to a QFont and back; the
// engine only carries it.
struct LogFont {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::string faceName;  // at most 31 characters

    bool operator==(const LogFont&) const = default;
};

// Main window rectangle in screen pixels.
struct WindowRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 800;
    std::int32_t bottom = 500;

    bool operator==(const WindowRect&) const = default;
};

// Finds the display font on a first start (the first installed fixed-pitch
// family, or whatever the user picks in the font dialog). Supplied by the
// window system layer.
using FontPicker = std::function<LogFont()>;

// The options record, which is also the exact image of "settings.cfg": one
// 48,200-byte block with no text format and no checksum. Each flag is one menu
// toggle and takes effect where it is read. Texts are Windows-1252 bytes; a
// text keeps at most its slot size - 1 characters in the file.
//
// The record remembers the image it was loaded from. image() lays the typed
// fields over that image and rewrites a field's bytes only when its value
// differs from what the image holds, so a file we did not change is written
// back byte for byte: reserved bytes, leftovers behind a text's terminator and
// flag bytes other than 0 and 1 survive a load and save.
struct Settings {
    static constexpr std::size_t Size = 48200;
    static constexpr std::int32_t CurrentVersion = 2;
    static constexpr std::string_view FileName = "settings.cfg";

    static constexpr std::size_t Slots = 20;  // nicknames, servers, login and logout texts
    static constexpr std::size_t NicknameSlot = 100;
    static constexpr std::size_t ServerSlot = 255;
    static constexpr std::size_t AutoTextSlot = 1024;
    static constexpr std::size_t FaceNameSlot = 32;

    static constexpr std::string_view DefaultServer1 = "brenn-chat.example:28";
    static constexpr std::string_view DefaultServer2 = "chat.brenn-chat.example:2001";

    std::int32_t version = CurrentVersion;
    std::array<std::string, Slots> nicknames;  // of the login dialog; empty = unused slot

    bool autoscroll = true;           // "&Autoscroll": the list scrolls to its newest row
    bool autosize = false;            // "Autosi&ze": the Text column fits its contents
    bool autoTop = false;             // "Auto Top": a new row brings the window to the front
    bool autoSend = false;            // "Automatisches S&enden"
    bool autowhisper = false;         // "Auto&whisper"
    bool sound = true;                // "&Sound"
    bool logfile = false;             // "&Logfile"
    bool clearInputAfterSend = true;  // "&Eingabezeile nach Enter löschen"
    bool smallIcons = false;          // "Kleine &Symbole", effective from the next start

    LogFont displayFont;
    WindowRect windowRect;
    std::int32_t treeWidth = 110;
    std::int32_t artFontCount = 0;  // written by every layout, never read back
    std::int32_t artBoxWidth = 65;

    // Widths of the columns Name, Text, Zeit, Chat (by column, not by display position).
    // A Chat width of 0 keeps the Chat column hidden until a second chat is open.
    std::array<std::int32_t, 4> columnWidths{100, 500, 100, 0};
    std::array<std::int32_t, 4> columnOrder{3, 2, 0, 1};

    bool announceIgnore = true;  // "Meldung beim Ignorieren"
    // Server addresses of the connect dialog ("host:port"), most recently used first.
    std::array<std::string, Slots> servers{std::string(DefaultServer1), std::string(DefaultServer2)};
    bool autoChatChange = false;  // "AutoChatChange"
    // Sent after logging in and before logging out with the nickname in the same slot.
    std::array<std::string, Slots> loginTexts;
    std::array<std::string, Slots> logoutTexts;

    // The values of a first start, except the display font, which the caller
    // picks. A default-constructed record holds the same.
    static Settings firstStart();

    // The record from the bytes of a settings file of any layout and length;
    // older layouts are converted, only the first Size bytes count.
    static Settings fromImage(std::string_view fileBytes);

    // Exactly Size bytes, as "settings.cfg" holds them.
    std::string image() const;

    // Reads the file. When it cannot be opened this is a first start: a hint
    // about the font menu, the first-start values and a font from `pickFont`.
    // True when the file was read, false on a first start.
    bool load(const std::filesystem::path& file, Desktop& desktop, const FontPicker& pickFont);
    // Replaces the file with image(), readable by its owner only. A failure is
    // shown to the user; the old file then stays as it was.
    bool save(const std::filesystem::path& file, Desktop& desktop,
              FileCalls& calls = nativeFileCalls()) const;

private:
    std::string m_loadedImage;  // Size bytes after a load, empty otherwise
};

}  // namespace tavik

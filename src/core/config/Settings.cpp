#include "config/Settings.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/Desktop.h"
#include "platform/Files.h"

namespace tavik {

namespace {

// Where each field lives in the current layout (2). All integers are 32-bit
// little-endian; flags are one byte, on for any non-zero value.
namespace at {
constexpr std::size_t Version = 0;
constexpr std::size_t Nicknames = 4;
constexpr std::size_t Autoscroll = 2004;
constexpr std::size_t Autosize = 2005;
constexpr std::size_t AutoTop = 2006;
constexpr std::size_t AutoSend = 2007;
constexpr std::size_t Autowhisper = 2008;
constexpr std::size_t Sound = 2009;
constexpr std::size_t Logfile = 2010;
constexpr std::size_t ClearInput = 2011;
constexpr std::size_t SmallIcons = 2012;
constexpr std::size_t DisplayFont = 2016;
constexpr std::size_t WindowRect = 2076;
constexpr std::size_t TreeWidth = 2092;
constexpr std::size_t ArtFontCount = 2096;
constexpr std::size_t ArtBoxWidth = 2100;
constexpr std::size_t ColumnWidths = 2104;
constexpr std::size_t ColumnOrder = 2120;
constexpr std::size_t AnnounceIgnore = 2136;
constexpr std::size_t Servers = 2137;
constexpr std::size_t AutoChatChange = 7237;
constexpr std::size_t LoginTexts = 7238;
constexpr std::size_t LogoutTexts = 27718;
}  // namespace at

static_assert(at::LogoutTexts + Settings::Slots * Settings::AutoTextSlot + 2 == Settings::Size);

// Offsets inside the 60-byte logical font record.
namespace font {
constexpr std::size_t Italic = 20;
constexpr std::size_t FaceName = 28;
constexpr std::size_t Size = 60;
}  // namespace font

// A file this short predates the version word; its fields sit elsewhere.
constexpr std::size_t Layout0MaxSize = 2128;
constexpr std::int32_t DefaultTreeWidth = 110;
constexpr std::int32_t DefaultArtBoxWidth = 65;

std::int32_t get32(const std::string& image, std::size_t offset) {
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;)
        v = v << 8 | static_cast<unsigned char>(image[offset + i]);
    return static_cast<std::int32_t>(v);
}

void put32(std::string& image, std::size_t offset, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i, v >>= 8)
        image[offset + i] = static_cast<char>(v & 0xFF);
}

std::uint8_t getByte(const std::string& image, std::size_t offset) {
    return static_cast<std::uint8_t>(image[offset]);
}

void putByte(std::string& image, std::size_t offset, std::uint8_t value) {
    image[offset] = static_cast<char>(value);
}

// A text slot read bounded: up to its first zero or slot - 1 characters,
// whether the file terminated it or not.
std::string getText(const std::string& image, std::size_t offset, std::size_t slot) {
    const std::string_view bytes(image.data() + offset, slot - 1);
    return std::string(bytes.substr(0, bytes.find('\0')));
}

// A text written into its slot, cut to slot - 1 characters, the rest zero.
void putText(std::string& image, std::size_t offset, std::size_t slot, std::string_view text) {
    const std::size_t n = std::min(text.size(), slot - 1);
    std::memcpy(image.data() + offset, text.data(), n);
    std::memset(image.data() + offset + n, 0, slot - n);
}

// Overlay writers: they leave the image alone when it already says the same,
// which is what keeps an unchanged file identical down to its odd bytes.
void overlayFlag(std::string& image, std::size_t offset, bool on) {
    if ((image[offset] != 0) != on) image[offset] = on ? 1 : 0;
}

void overlayText(std::string& image, std::size_t offset, std::size_t slot, std::string_view text) {
    if (getText(image, offset, slot) != text.substr(0, slot - 1)) putText(image, offset, slot, text);
}

void putDefaultServers(std::string& image) {
    putText(image, at::Servers, Settings::ServerSlot, Settings::DefaultServer1);
    putText(image, at::Servers + Settings::ServerSlot, Settings::ServerSlot, Settings::DefaultServer2);
}

bool allServersEmpty(const std::string& image) {
    for (std::size_t i = 0; i < Settings::Slots; ++i) {
        if (image[at::Servers + i * Settings::ServerSlot] != 0) return false;
    }
    return true;
}

// The oldest files had no version word and a different order of fields; this
// moves them to where layout 1 keeps them and repairs what those files often
// left at zero.
std::string layout1FromLayout0(const std::string& old) {
    std::string image(Settings::Size, '\0');
    const auto move = [&](std::size_t from, std::size_t to, std::size_t count) {
        std::memcpy(image.data() + to, old.data() + from, count);
    };
    move(0, at::DisplayFont, font::Size);
    move(60, at::Autoscroll, 1);
    move(61, at::Nicknames, Settings::Slots * Settings::NicknameSlot);
    move(2061, at::Autosize, 1);
    move(2062, at::Sound, 1);
    move(2063, at::Logfile, 1);
    move(2064, at::TreeWidth, 4);
    move(2068, at::ClearInput, 1);
    move(2069, at::AutoTop, 1);
    move(2070, at::AutoSend, 1);
    move(2071, at::Autowhisper, 1);
    // Three column widths, three display-order entries, the ignore
    // announcement and three reserved bytes, already in layout 1's order.
    move(2072, at::ColumnWidths, 28);
    move(2100, at::ArtFontCount, 8);  // and artBoxWidth
    move(2108, at::SmallIcons, 1);
    move(2112, at::WindowRect, 16);
    put32(image, at::Version, 1);

    constexpr std::array<std::int32_t, 3> defaultWidths{100, 500, 100};
    for (std::size_t i = 0; i < defaultWidths.size(); ++i) {
        if (get32(image, at::ColumnWidths + 4 * i) == 0)
            put32(image, at::ColumnWidths + 4 * i, defaultWidths[i]);
    }
    const std::int32_t tree = get32(image, at::TreeWidth);
    if (tree < 10 || tree > 5000) put32(image, at::TreeWidth, DefaultTreeWidth);
    // Layout 1 keeps the order of its three columns where layout 2 has the Chat width.
    constexpr std::size_t order3 = at::ColumnWidths + 12;
    if (get32(image, order3) == 0 && get32(image, order3 + 4) == 0) {
        for (std::int32_t i = 0; i < 3; ++i)
            put32(image, order3 + 4 * static_cast<std::size_t>(i), i);
    }
    if (get32(image, at::ArtBoxWidth) == 0) put32(image, at::ArtBoxWidth, DefaultArtBoxWidth);
    if (get32(image, at::WindowRect + 8) == 0) {
        put32(image, at::WindowRect, 0);
        put32(image, at::WindowRect + 4, 0);
        put32(image, at::WindowRect + 8, 800);
        put32(image, at::WindowRect + 12, 500);
    }
    return image;
}

// Layout 1 knew three columns. The fourth, Chat, gets a width between the
// widths and the order; it starts hidden and is shown first once widened.
void layout2FromLayout1(std::string& image) {
    std::memmove(image.data() + at::ColumnWidths + 20, image.data() + at::ColumnWidths + 12, 16);
    put32(image, at::ColumnWidths + 12, 0);
    put32(image, at::ColumnOrder, 3);
    // The server list of those versions pointed at addresses that are gone.
    putDefaultServers(image);
    std::memset(image.data() + at::Servers + 2 * Settings::ServerSlot, 0,
                (Settings::Slots - 2) * Settings::ServerSlot);
    put32(image, at::Version, Settings::CurrentVersion);
}

LogFont getFont(const std::string& image, std::size_t offset) {
    LogFont f;
    f.height = get32(image, offset);
    f.width = get32(image, offset + 4);
    f.escapement = get32(image, offset + 8);
    f.orientation = get32(image, offset + 12);
    f.weight = get32(image, offset + 16);
    std::uint8_t* bytes[] = {&f.italic,       &f.underline,     &f.strikeOut, &f.charSet,
                             &f.outPrecision, &f.clipPrecision, &f.quality,   &f.pitchAndFamily};
    for (std::size_t i = 0; i < std::size(bytes); ++i)
        *bytes[i] = getByte(image, offset + font::Italic + i);
    f.faceName = getText(image, offset + font::FaceName, Settings::FaceNameSlot);
    return f;
}

void overlayFont(std::string& image, std::size_t offset, const LogFont& f) {
    put32(image, offset, f.height);
    put32(image, offset + 4, f.width);
    put32(image, offset + 8, f.escapement);
    put32(image, offset + 12, f.orientation);
    put32(image, offset + 16, f.weight);
    const std::uint8_t bytes[] = {f.italic,       f.underline,     f.strikeOut, f.charSet,
                                  f.outPrecision, f.clipPrecision, f.quality,   f.pitchAndFamily};
    for (std::size_t i = 0; i < std::size(bytes); ++i)
        putByte(image, offset + font::Italic + i, bytes[i]);
    overlayText(image, offset + font::FaceName, Settings::FaceNameSlot, f.faceName);
}

// The flags with their offsets, so that reading and writing cannot drift apart.
template <typename S>
auto flagsOf(S& s) {
    using Flag = std::pair<std::size_t, decltype(&s.autoscroll)>;
    return std::array<Flag, 11>{{{at::Autoscroll, &s.autoscroll},
                                 {at::Autosize, &s.autosize},
                                 {at::AutoTop, &s.autoTop},
                                 {at::AutoSend, &s.autoSend},
                                 {at::Autowhisper, &s.autowhisper},
                                 {at::Sound, &s.sound},
                                 {at::Logfile, &s.logfile},
                                 {at::ClearInput, &s.clearInputAfterSend},
                                 {at::SmallIcons, &s.smallIcons},
                                 {at::AnnounceIgnore, &s.announceIgnore},
                                 {at::AutoChatChange, &s.autoChatChange}}};
}

// The four text lists with their offsets and slot sizes.
template <typename S>
auto textListsOf(S& s) {
    struct TextList {
        std::size_t offset;
        std::size_t slot;
        decltype(&s.nicknames) texts;
    };
    return std::array<TextList, 4>{{{at::Nicknames, Settings::NicknameSlot, &s.nicknames},
                                    {at::Servers, Settings::ServerSlot, &s.servers},
                                    {at::LoginTexts, Settings::AutoTextSlot, &s.loginTexts},
                                    {at::LogoutTexts, Settings::AutoTextSlot, &s.logoutTexts}}};
}

}  // namespace

Settings Settings::firstStart() {
    // The member initialisers are the first-start values; the file's reserved
    // bytes start as zero.
    return Settings{};
}

Settings Settings::fromImage(std::string_view fileBytes) {
    std::string image(Size, '\0');
    const std::size_t length = std::min(fileBytes.size(), Size);
    std::copy_n(fileBytes.begin(), length, image.begin());

    if (length <= Layout0MaxSize) image = layout1FromLayout0(image);
    const std::int32_t version = get32(image, at::Version);
    if (version <= 1) {
        layout2FromLayout1(image);
    } else if (version == CurrentVersion) {
        // A user who deleted every address still needs somewhere to connect to.
        // The empty slots keep their bytes, as everything else we don't change.
        if (allServersEmpty(image)) putDefaultServers(image);
    }
    // A version from the future is taken as it stands: its fields are
    // presumably where ours are, and guessing at conversions would do worse.

    Settings s;
    s.version = CurrentVersion;
    for (auto& list : textListsOf(s)) {
        for (std::size_t i = 0; i < Slots; ++i)
            (*list.texts)[i] = getText(image, list.offset + i * list.slot, list.slot);
    }
    for (auto [offset, flag] : flagsOf(s))
        *flag = image[offset] != 0;
    s.displayFont = getFont(image, at::DisplayFont);
    s.windowRect = {get32(image, at::WindowRect), get32(image, at::WindowRect + 4),
                    get32(image, at::WindowRect + 8), get32(image, at::WindowRect + 12)};
    s.treeWidth = get32(image, at::TreeWidth);
    s.artFontCount = get32(image, at::ArtFontCount);
    s.artBoxWidth = get32(image, at::ArtBoxWidth);
    for (std::size_t i = 0; i < 4; ++i) {
        s.columnWidths[i] = get32(image, at::ColumnWidths + 4 * i);
        s.columnOrder[i] = get32(image, at::ColumnOrder + 4 * i);
    }
    put32(image, at::Version, CurrentVersion);
    s.m_loadedImage = std::move(image);
    return s;
}

std::string Settings::image() const {
    std::string image = m_loadedImage.size() == Size ? m_loadedImage : std::string(Size, '\0');
    put32(image, at::Version, version);
    for (const auto& list : textListsOf(*this)) {
        for (std::size_t i = 0; i < Slots; ++i)
            overlayText(image, list.offset + i * list.slot, list.slot, (*list.texts)[i]);
    }
    for (auto [offset, flag] : flagsOf(*this))
        overlayFlag(image, offset, *flag);
    overlayFont(image, at::DisplayFont, displayFont);
    put32(image, at::WindowRect, windowRect.left);
    put32(image, at::WindowRect + 4, windowRect.top);
    put32(image, at::WindowRect + 8, windowRect.right);
    put32(image, at::WindowRect + 12, windowRect.bottom);
    put32(image, at::TreeWidth, treeWidth);
    put32(image, at::ArtFontCount, artFontCount);
    put32(image, at::ArtBoxWidth, artBoxWidth);
    for (std::size_t i = 0; i < 4; ++i) {
        put32(image, at::ColumnWidths + 4 * i, columnWidths[i]);
        put32(image, at::ColumnOrder + 4 * i, columnOrder[i]);
    }
    return image;
}

bool Settings::load(const std::filesystem::path& file, Desktop& desktop, const FontPicker& pickFont) {
    // Bytes beyond the record are not part of it and never read.
    const BoundedRead read = readFileAtMost(file, Size);
    if (read.status == ReadStatus::Read || read.status == ReadStatus::TooLarge) {
        *this = fromImage(read.bytes);
        return true;
    }
    // No owner window: the main window is still being built at this point.
    desktop.messageBox("Im Menu Optionen -> Font... koennen Sie jederzeitdie Schriftgroesse aendern.",
                       "TavikTelnet", MessageBoxStyle::Ok);
    *this = firstStart();
    if (pickFont) displayFont = pickFont();
    return false;
}

bool Settings::save(const std::filesystem::path& file, Desktop& desktop, FileCalls& calls) const {
    if (writeFileAtomically(file, image(), calls)) return true;
    desktop.messageBox("Fehler beim Speichern der Einstellungen", "Error", MessageBoxStyle::Ok);
    return false;
}

}  // namespace tavik

// settings.cfg files of any layout and length: loading never reads past the
// bytes or out of a text slot, the written image is always a whole record of
// the current version, and loading that image again writes the same bytes.
// The one exception is a server list left empty, which the next load fills
// with the default servers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "config/Settings.h"

namespace {

using namespace tavik;

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

constexpr std::size_t ServersAt = 2137;

void checkBounded(const std::array<std::string, Settings::Slots>& texts, std::size_t slot) {
    for (const std::string& t : texts) {
        if (t.size() > slot - 1) violated("a text longer than its slot allows");
        if (t.find('\0') != std::string::npos) violated("a text with a zero byte");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Settings loaded = Settings::fromImage(bytes);
    checkBounded(loaded.nicknames, Settings::NicknameSlot);
    checkBounded(loaded.servers, Settings::ServerSlot);
    checkBounded(loaded.loginTexts, Settings::AutoTextSlot);
    checkBounded(loaded.logoutTexts, Settings::AutoTextSlot);
    if (loaded.displayFont.faceName.size() > Settings::FaceNameSlot - 1) violated("face name too long");
    if (loaded.version != Settings::CurrentVersion) violated("version not current after loading");

    const std::string image = loaded.image();
    if (image.size() != Settings::Size) violated("image size");
    if (std::memcmp(image.data(), "\x02\0\0\0", 4) != 0) violated("image version word");

    std::string expected = image;
    bool noServers = true;
    for (const std::string& s : loaded.servers)
        noServers = noServers && s.empty();
    if (noServers) {
        // Only a version we don't know keeps an empty list; relabelled as ours, it gets the defaults.
        const std::string_view defaults[] = {Settings::DefaultServer1, Settings::DefaultServer2};
        for (std::size_t i = 0; i < 2; ++i) {
            std::string slot(defaults[i]);
            slot.resize(Settings::ServerSlot, '\0');
            expected.replace(ServersAt + i * Settings::ServerSlot, Settings::ServerSlot, slot);
        }
    }
    const Settings again = Settings::fromImage(image);
    if (again.image() != expected) violated("loading the written image changed it");
    if (Settings::fromImage(expected).image() != expected)
        violated("the second round trip changed the image");
    return 0;
}

#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <string>

#include "Codec.h"
#include "SoundPlayer.h"

namespace {

using tavik::gui::fromQt;
using tavik::gui::pathToQt;
using tavik::gui::toQt;

TEST(Codec, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    const QString text = toQt(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(fromQt(text), all);
    // The bytes Windows-1252 leaves undefined stand for themselves.
    for (const int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(text.at(undefined).unicode(), undefined);
    EXPECT_EQ(text.at(0).unicode(), 0);
}

TEST(Codec, TranslatesTheWindowsCharacters) {
    EXPECT_EQ(toQt("Gr\xFC\xDF"
                   "e \x80 \x84Hallo\x93 \x96 \x85 \x99"),
              QStringLiteral(u"Grüße € „Hallo“ – … ™"));
    EXPECT_EQ(fromQt(QStringLiteral(u"ä€Šœ\u0178")), "\xE4\x80\x8A\x9C\x9F");
}

TEST(Codec, CharactersWithoutAByteBecomeQuestionMarks) {
    // U+0080 looks like it belongs but 0x80 is the euro sign.
    EXPECT_EQ(fromQt(QStringLiteral(u"\u0080")), "?");
    EXPECT_EQ(fromQt(QStringLiteral(u"a→b")), "a?b");
    EXPECT_EQ(fromQt(QStringLiteral(u"x😀y")), "x?y");
    EXPECT_EQ(fromQt(QStringLiteral(u"Ω")), "?");
}

TEST(Codec, PathsAreUtf8) {
    EXPECT_EQ(pathToQt("/tmp/Gr\xC3\xBC\xC3\x9F"
                       "e/ding.wav"),
              QStringLiteral(u"/tmp/Grüße/ding.wav"));
    EXPECT_EQ(tavik::gui::pathFromQt(QStringLiteral(u"/tmp/Grüße")),
              "/tmp/Gr\xC3\xBC\xC3\x9F"
              "e");
}

TEST(SoundPlayer, ChordIsBundledAndSilenceWithoutDeviceIsQuiet) {
    tavik::gui::SoundPlayer player;
    QFile chord(QStringLiteral(":/sounds/chord.wav"));
    ASSERT_TRUE(chord.open(QIODevice::ReadOnly));
    const QByteArray wave = chord.readAll();
    EXPECT_TRUE(wave.startsWith("RIFF"));
    EXPECT_GT(wave.size(), 10000);

    // Offscreen has no audio device: nothing may crash, hang or be left playing.
    player.playSystemSound(QStringLiteral("CHORD.WAV"));
    player.play(QStringLiteral("/nirgends/ding.wav"));
    player.stop();
    player.playSystemSound(QStringLiteral("unbekannt.wav"));
    QTest::qWait(50);
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "net/NameList.h"
#include "net/Session.h"
#include "text/Text.h"

namespace tavik {
namespace {

std::vector<std::string> names(const NameList& list) {
    std::vector<std::string> out;
    for (const NameEntry& e : list)
        out.push_back(e.name + (e.context.empty() ? "" : "@" + e.context));
    return out;
}

TEST(NameEntry, NamesAreCutAtTwentyAndAtTheFirstBlank) {
    NameEntry e;
    e.setName("Anderer (weg)");
    EXPECT_EQ(e.name, "Anderer");
    e.setName(std::string(30, 'x'));
    EXPECT_EQ(e.name, std::string(20, 'x'));
    e.setName("abcdefghijklmnopqrs tuv");  // blank inside the first 20
    EXPECT_EQ(e.name, "abcdefghijklmnopqrs");
    e.setContext(std::string(200, 'c'));
    EXPECT_EQ(e.context.size(), 127U);
}

TEST(NameList, WalkOrderIsFirstThenNewestToOldest) {
    NameList list;
    list.add("Erster");
    list.add("Zweiter");
    list.add("Dritter");
    list.add("Vierter");
    EXPECT_EQ(names(list), (std::vector<std::string>{"Erster", "Vierter", "Dritter", "Zweiter"}));

    // Removing the first makes the next one (the newest) first; new entries follow it.
    list.remove(list.first());
    list.add("Fuenfter");
    EXPECT_EQ(names(list), (std::vector<std::string>{"Vierter", "Fuenfter", "Dritter", "Zweiter"}));
}

TEST(NameList, FindIgnoresCaseAndCopiesForAnotherContext) {
    NameList list;
    list.add("Gast");
    EXPECT_EQ(list.find("GAST", "", false), list.first());
    EXPECT_EQ(list.find("gast (weg)", "", false), list.first());  // the key is cut at its blank
    EXPECT_EQ(list.find("Gast", "chat", false), nullptr);

    list.first()->text = "Hallo";
    list.first()->optionB = 1;
    NameEntry* copy = list.find("gAsT", "chat", true);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, list.first());
    EXPECT_EQ(copy->name, "gAsT");
    EXPECT_EQ(copy->context, "chat");
    EXPECT_EQ(copy->text, "");
    EXPECT_EQ(copy->active, 0);
    EXPECT_EQ(copy->stale, 0);
    EXPECT_EQ(copy->optionA, 1);
    EXPECT_EQ(copy->optionB, 0);
    EXPECT_EQ(list.size(), 2U);
    // A second lookup finds that entry instead of making another one.
    EXPECT_EQ(list.find("Gast", "chat", true), copy);
    EXPECT_EQ(list.size(), 2U);
}

TEST(NameList, AddOrRefreshClearsTheStaleMarkOfAPresentName) {
    NameList list;
    EXPECT_TRUE(list.addOrRefresh("Gast"));
    list.first()->stale = 1;
    EXPECT_FALSE(list.addOrRefresh("gast"));
    EXPECT_EQ(list.first()->stale, 0);
    EXPECT_EQ(list.size(), 1U);
}

TEST(NameList, MarkAndSweepKeepsListedActiveCollapsedAndFirst) {
    NameList list;
    for (const char* n : {"Eins", "Zwei", "Drei", "Vier", "Fuenf"})
        list.add(n);
    list.find("Drei", "", false)->active = 1;
    list.find("Vier", "", false)->optionA = 0;
    list.markStale("");
    EXPECT_FALSE(list.addOrRefresh("Zwei"));
    EXPECT_FALSE(list.addOrRefresh("Fuenf"));
    list.sweepStale("");
    // "Eins" is first and never swept even though it was not listed again.
    EXPECT_EQ(names(list), (std::vector<std::string>{"Eins", "Fuenf", "Vier", "Drei", "Zwei"}));

    list.markStale("");
    list.sweepStale("");
    EXPECT_EQ(names(list), (std::vector<std::string>{"Eins", "Vier", "Drei"}));
}

TEST(NameList, MarkAndSweepTouchOnlyTheirContextExactly) {
    NameList list;
    list.add("Eins");
    list.addWithContext("Zwei", "Chat");
    list.addWithContext("Drei", "chat");
    list.markStale("chat");
    list.sweepStale("chat");
    EXPECT_EQ(names(list), (std::vector<std::string>{"Eins", "Zwei@Chat"}));

    NameList single;
    single.add("Allein");
    single.markStale("");
    single.sweepStale("");
    EXPECT_EQ(single.size(), 1U);
}

TEST(NameList, AddWithContextOfAPresentEntryOnlyRefreshesIt) {
    NameList list;
    list.add("Gast");
    NameEntry* chat = list.addWithContext("Gast", "chat");
    ASSERT_NE(chat, nullptr);
    chat->stale = 1;
    EXPECT_EQ(list.addWithContext("GAST", "CHAT"), nullptr);
    EXPECT_EQ(chat->stale, 0);
}

// Many names, added and removed in a scrambled order, in every case: each name
// still meets its own entry and a removed one meets nothing. Names that differ
// only in case, and names that differ only in bits a case fold ignores (0/P,
// 1/Q), sit side by side in the index; the table grows and shrinks through
// removals that move entries back along their probe runs.
TEST(NameList, IndexKeepsEveryNameThroughGrowthAndRemovals) {
    NameList list;
    std::vector<std::string> keys;
    for (int i = 0; i < 600; ++i) {
        // Appended: «"n" + std::to_string(...)» draws a false -Wrestrict from GCC 12 at -O3.
        std::string n = "n";
        n += std::to_string(i * 7919 % 1000);
        if (i % 3 == 0)
            n += "\xC4"
                 "ber0";  // 8 bytes or more, an umlaut inside
        if (i % 5 == 0) n += "PQ";
        if (i % 7 == 0) n = std::string(20, 'x') + std::to_string(i);  // cut at 20: duplicates
        keys.push_back(n);
    }
    const auto upper = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (char& c : s)
            if (static_cast<unsigned char>(c) == 0xC4) c = static_cast<char>(0xE4);
        return s;
    };
    for (const std::string& k : keys)
        list.add(k);
    for (const std::string& k : keys) {
        const std::string alike = upper(k);
        NameEntry* e = list.find(alike, "", false);
        ASSERT_NE(e, nullptr) << k;
        EXPECT_TRUE(equalsIgnoreCase(e->name, capped(k, 20))) << k;
    }
    EXPECT_EQ(list.find("n3\xC4"
                        "ber0PQx",
                        "", false),
              nullptr);
    EXPECT_EQ(list.find("n1000", "", false), nullptr);
    EXPECT_EQ(list.find("01", "", false), nullptr);  // folds as "P1"/"PQ" would

    // Remove every other distinct name (never the first), then check all.
    std::vector<std::string> removed;
    std::vector<std::string> kept;
    for (std::size_t i = 1; i < keys.size(); ++i) {
        NameEntry* e = list.find(keys[i], "", false);
        if (e == nullptr) continue;  // a duplicate already removed
        if (i % 2 == 0 && e != list.first()) {
            list.remove(e);
            removed.push_back(keys[i]);
        } else {
            kept.push_back(keys[i]);
        }
    }
    for (const std::string& k : removed)
        EXPECT_EQ(list.find(upper(k), "", false), nullptr) << k;
    for (const std::string& k : kept)
        EXPECT_NE(list.find(upper(k), "", false), nullptr) << k;
    // The same names come back.
    for (const std::string& k : removed)
        list.add(k);
    for (const std::string& k : keys)
        EXPECT_NE(list.find(k, "", false), nullptr) << k;
}

// Names with several entries (other contexts) through growth, removals and
// re-adds: a lookup meets the entry a walk in walk order meets first, and a
// lookup that copies for a context adds exactly when the walk finds none.
TEST(NameList, LookupsMeetWhatTheWalkMeetsFirst) {
    NameList list;
    const auto walk = [&list](std::string_view name, std::string_view context) -> NameEntry* {
        const std::string_view key = cutAtBlank(capped(name, NameEntry::MaxName));
        for (NameEntry& e : list) {
            if (equalsIgnoreCase(e.name, key) && equalsIgnoreCase(e.context, context)) return &e;
        }
        return nullptr;
    };
    std::uint32_t seed = 4242;
    const auto next = [&seed] {
        seed = seed * 1103515245U + 12345U;
        return (seed >> 8) % 100000;
    };
    const std::vector<std::string> contexts = {"", "Lobby", "LOBBY", "Keller"};
    for (int step = 0; step < 3000; ++step) {
        std::string name = "Name" + std::to_string(next() % 150);
        if (next() % 2 == 0) name[0] = 'n';
        if (next() % 10 == 0) name += " (weg)";
        const std::string& context = contexts[next() % contexts.size()];
        const std::uint32_t action = next() % 10;
        if (action < 3) {
            list.addWithContext(name, context);
        } else if (action < 5) {
            list.add(name);
        } else if (action < 7) {
            NameEntry* e = walk(name, context);
            if (e != nullptr && e != list.first()) list.remove(e);
        } else if (action < 9) {
            ASSERT_EQ(list.find(name, context, false), walk(name, context)) << step << " " << name;
        } else {
            const std::size_t before = list.size();
            NameEntry* expected = walk(name, context);
            NameEntry* found = list.find(name, context, true);
            if (expected != nullptr) {
                ASSERT_EQ(found, expected) << step;
                ASSERT_EQ(list.size(), before) << step;
            } else if (found != nullptr) {
                ASSERT_EQ(found, walk(name, context)) << step;  // the copy, met first from now on
                ASSERT_EQ(list.size(), before + 1) << step;
            }
        }
    }
}

TEST(TextCompare, IgnoringCaseAgreesWithTheByteRuleAtEveryPosition) {
    // Long texts are compared eight bytes at a time where they match exactly;
    // a difference of case or of letter in any byte of any word must still count.
    // The bytes after the last whole word are compared as the last eight
    // bytes, overlapping, when those match exactly: lengths around a word.
    const std::string full = "gastfreundschaftlicher \xE4rger";  // 30 bytes, ä at 23
    for (const std::size_t length : {7U, 8U, 9U, 12U, 15U, 16U, 17U, 23U, 30U}) {
        const std::string base = full.substr(0, length);
        for (std::size_t at = 0; at < base.size(); ++at) {
            std::string upper = base;
            upper[at] =
                static_cast<char>(at == 23 ? '\xC4' : std::toupper(static_cast<unsigned char>(base[at])));
            EXPECT_TRUE(equalsIgnoreCase(base, upper)) << length << " " << at;
            EXPECT_EQ(compareIgnoreCase(base, upper), 0) << length << " " << at;
            std::string other = base;
            other[at] = '\xFE';  // þ sorts after every byte of the text
            EXPECT_FALSE(equalsIgnoreCase(base, other)) << length << " " << at;
            EXPECT_LT(compareIgnoreCase(base, other), 0) << length << " " << at;
            EXPECT_GT(compareIgnoreCase(other, base), 0) << length << " " << at;
        }
    }
    EXPECT_LT(compareIgnoreCase("Gastfreund", "GASTFREUNDIN"), 0);  // a beginning sorts first
    EXPECT_GT(compareIgnoreCase("gastfreundin", "Gastfreund"), 0);
}

TEST(TextScan, WordsAtATimeAgreeWithTheBytesAtEveryLengthAndPosition) {
    // Scans, compares and copies go eight (or four) bytes at a time, the last
    // word overlapping the one before it. A match or difference must count at
    // every position of every length, and a byte that only looks like a match
    // to the word trick (one below it, or with the high bit) must not.
    for (std::size_t length = 0; length <= 40; ++length) {
        // A view inside a larger buffer, so that a read past its end would show.
        std::string buffer(length + 16, 'x');
        const std::string_view clean(buffer.data() + 8, length);
        std::fill(buffer.begin() + 8, buffer.begin() + 8 + static_cast<std::ptrdiff_t>(length), 'a');
        EXPECT_EQ(indexOrEnd(clean, ' '), length) << length;
        EXPECT_EQ(indexOrEnd(clean, ',', ' '), length) << length;
        for (std::size_t at = 0; at < length; ++at) {
            for (const char c : {' ', ',', '!', '\x1F', '\xA0', '\xAC'}) {
                std::string text(length, 'a');
                text[at] = c;
                if (at + 1 < length) text[at + 1] = ' ';  // a second match after the first
                const std::size_t blank = text.find(' ');
                const std::size_t either = text.find_first_of(", ");
                EXPECT_EQ(indexOrEnd(text, ' '), blank == std::string::npos ? length : blank) << length << at;
                EXPECT_EQ(indexOrEnd(text, ',', ' '), either == std::string::npos ? length : either)
                    << length << at;
                std::string other(length, 'a');
                EXPECT_EQ(sameBytes(text, other), text == other) << length << at;
                std::string copy(length + 8, '-');
                copyBytes(copy.data(), text.data(), length);
                EXPECT_EQ(copy.substr(0, length), text) << length << at;
                EXPECT_EQ(copy.substr(length), std::string(8, '-')) << length << at;
            }
        }
        EXPECT_TRUE(sameBytes(clean, std::string(length, 'a')));
        EXPECT_FALSE(sameBytes(clean, std::string(length + 1, 'a')));
    }
}

TEST(Session, AddedChatterNameMeetsTheEntryThatFindMeets) {
    Session s;
    s.addChatterName("Anna");
    s.setIgnoreMark(*s.chatterNames.find("Anna", "", false), true);
    s.chatterNames.find("Anna", "", false)->stale = 1;
    NameEntry* anna = s.addedChatterName("ANNA (weg)");
    ASSERT_NE(anna, nullptr);
    EXPECT_EQ(anna, s.chatterNames.find("anna", "", true));
    EXPECT_EQ(anna->active, 1);
    EXPECT_EQ(anna->stale, 0);
    NameEntry* bert = s.addedChatterName("Bert");
    ASSERT_NE(bert, nullptr);
    EXPECT_EQ(bert, s.chatterNames.find("Bert", "", true));
    EXPECT_EQ(s.chatterNames.size(), 2U);
}

TEST(Session, ListedNamesMeetTheEntryThatFindMeetsListAfterList) {
    // A list that names its chatters in the last list's order meets their
    // entries without a lookup. Whatever the order, the case, duplicates,
    // names cut at twenty, removed entries or ignore marks, each name must
    // meet the entry a lookup meets.
    const std::vector<std::string> pool = {"Anna",
                                           "ANNA",
                                           "Bert",
                                           "bert (weg)",
                                           "Cara",
                                           "Dora",
                                           "Gastfreundschaftlich1",
                                           "Gastfreundschaftlich2",
                                           "Emil",
                                           "emil",
                                           "Fritz",
                                           "G\xC4nsebl\xFCmchen",
                                           "g\xE4nsebl\xFCmchen"};
    std::uint32_t seed = 12345;
    const auto below = [&seed](std::size_t n) {
        seed = seed * 1103515245U + 12345U;
        return static_cast<std::size_t>((seed >> 16) % n);
    };
    Session s;
    std::vector<std::string> list(pool.begin(), pool.end());
    for (int round = 0; round < 400; ++round) {
        s.startListedNames();
        // Mostly the last order; now and then a swap, a name gone or a name twice.
        if (below(3) == 0) std::swap(list[below(list.size())], list[below(list.size())]);
        if (below(4) == 0 && list.size() > 3)
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(below(list.size())));
        if (below(4) == 0)
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(below(list.size() + 1)),
                        pool[below(pool.size())]);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string_view name = cutAtBlank(list[i]);
            NameEntry* entry = s.listedChatterName(name);
            ASSERT_NE(entry, nullptr) << round << " " << list[i];
            ASSERT_EQ(entry, s.chatterNames.find(name, "", true)) << round << " " << list[i];
            ASSERT_EQ(entry->stale, 0) << round << " " << list[i];
            if (below(50) == 0) entry->stale = 1;
            if (round % 37 == 36 && i == list.size() / 2) {
                // Entries go in the middle of a list: the pointers kept,
                // of this list and of the last, must not be used.
                s.chatterNames.markStale("");
                for (std::size_t k = 0; k < list.size(); k += 2)
                    s.chatterNames.addOrRefresh(list[k]);
                s.chatterNames.sweepStale("");
            }
        }
        if (round == 200) {
            NameEntry* bert = s.chatterNames.find("Bert", "", false);
            ASSERT_NE(bert, nullptr);
            s.setIgnoreMark(*bert, true);
            s.chatterNames.addWithContext("Cara", "anderer-chat");
        }
    }
}

TEST(SessionList, LookupsAndRemoval) {
    SessionList sessions;
    sessions.makeFirst("Neue Verbindung", "");
    sessions.add("brenn-chat", "Gast (mit Leerzeichen)");
    sessions.add("anderer", "Zweiter");
    sessions.first()->setSocket(NoSocket);
    sessions.findByChat("BRENN-CHAT")->setSocket(5);

    EXPECT_EQ(sessions.findBySocket(NoSocket)->chatName, "Neue Verbindung");
    EXPECT_EQ(sessions.findBySocket(5)->nick, "Gast");
    EXPECT_EQ(sessions.findByChatAndNick("Brenn-Chat", "gast"), sessions.findBySocket(5));
    EXPECT_EQ(sessions.findByChatAndNick("brenn-chat", "Zweiter"), nullptr);

    std::vector<std::string> order;
    for (const Session& s : sessions)
        order.push_back(s.chatName);
    EXPECT_EQ(order, (std::vector<std::string>{"Neue Verbindung", "anderer", "brenn-chat"}));

    sessions.remove(sessions.first());
    EXPECT_EQ(sessions.first()->chatName, "anderer");
    sessions.remove(sessions.first());
    sessions.remove(sessions.first());
    EXPECT_TRUE(sessions.empty());
    EXPECT_EQ(sessions.first(), nullptr);
}

TEST(Session, NickAndChatNameAreCapped) {
    Session s;
    s.setNick(std::string(200, 'n'));
    EXPECT_EQ(s.nick.size(), 127U);
    s.setNick("Gast Zwei");
    EXPECT_EQ(s.nick, "Gast");
    s.setChatName(std::string(200, 'c'));
    EXPECT_EQ(s.chatName.size(), 127U);
}

}  // namespace
}  // namespace tavik

#include "scratch_files.h"
#include "system_fixture.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace ruz::testing {
namespace {

// Between a folder and a name in the paths the player opens, as the platform writes them.
constexpr auto kSeparator = static_cast<char16_t>(std::filesystem::path::preferred_separator);

TEST(buildTitle, DerivesTheLowerCaseTitle) {
    struct Row {
        const char16_t* name;
        const char16_t* title;
    } rows[] = {
        {u"Artist - Song Title.mp3", u"song title"},
        {u"A - B - C.mp3", u"b - c"},
        {u"01. Artist - Title.mp3", u"01"},
        {u"Artist-Title.mp3", u"artist-title"},
        {u"Title.MP3", u"title"},
        {u"noext", u"noext"},
        {u".hidden.mp3", u""},
        {u"\u0410\u0440\u0442 - \u041F\u0415\u0421\u041D\u042F.mp3",
         u"\u043F\u0435\u0441\u043D\u044F"},
        {u"X - \U00010400\u00C4.mp3", u"\U00010428\u00E4"},
        {u"X - \xD801.mp3", u"\xD801"},
        {u"", u""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(buildTitle(row.name), std::u16string(row.title));
    }
}

TEST(FindListItem, FirstEntryContainingTheText) {
    ListBox list(u"List1");
    list.addItem(u"a song");
    list.addItem(u"song b");
    EXPECT_EQ(FindListItem(u"song", list), 0);
    EXPECT_EQ(FindListItem(u"Song", list), -1);
    EXPECT_EQ(FindListItem(u"b", list), 1);
    ListBox withEmpty(u"List1");
    withEmpty.addItem(u"");
    withEmpty.addItem(u"x");
    EXPECT_EQ(FindListItem(u"", withEmpty), 1);
    EXPECT_EQ(FindListItem(u"x", ListBox(u"empty")), -1);
}

// A folder of songs that the scripted engine knows.
class PlayerTest : public SystemTest {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        standin.openRoom();
    }
    std::u16string song(std::u16string_view name, double seconds) {
        EXPECT_TRUE(folder.make(name));
        engine.addSong(path(name), seconds);
        return path(name);
    }
    std::u16string path(std::u16string_view name) const {
        return folder.path() + kSeparator + std::u16string(name);
    }
    // Starts the program on the folder and lets the title-list build complete.
    FrmAmp& startOnFolder() {
        FrmAmp& a = start();
        a.ExplorerTree1.userPick(folder.path());
        host.advance(10);
        return a;
    }

    ScratchFiles folder;
};

TEST_F(PlayerTest, BuildOpensEverySongInTurnThenTheFirstAgain) {
    song(u"b - Two.mp3", 20);
    song(u"A - One.MP3", 10);
    song(u"c.m3u", 30);
    ASSERT_TRUE(folder.make(u"notes.txt"));
    FrmAmp& a = start();
    a.ExplorerTree1.userPick(folder.path());

    EXPECT_EQ(a.File1.count(), 3);
    EXPECT_EQ(a.File1.item(0), u"A - One.MP3");
    EXPECT_EQ(a.chatsendc.value(), 0);
    EXPECT_TRUE(a.Timer2.enabled());
    host.advance(3);
    EXPECT_EQ(a.List1.items(), (std::vector<std::u16string>{u"one", u"two", u"c"}));
    host.advance(1);
    EXPECT_FALSE(a.Timer2.enabled());
    EXPECT_EQ(a.chatsendc.value(), 1);
    EXPECT_TRUE(a.tmrGetSong.enabled());
    EXPECT_EQ(engine.opened(),
              (std::vector<std::u16string>{path(u"A - One.MP3"), path(u"b - Two.mp3"),
                                           path(u"c.m3u"), path(u"A - One.MP3")}));
    ASSERT_EQ(dialogs.shown().size(), 3u);
    EXPECT_EQ(dialogs.shown()[1].text, u"Your Chat Sends Will Now Be Disabled");
    EXPECT_EQ(dialogs.shown()[2].text, u"Your Chat Sends Are Now Enabled");
}

TEST_F(PlayerTest, AFolderPickedDuringABuildStartsTheBuildAgainOnIt) {
    song(u"a.mp3", 10);
    song(u"b.mp3", 10);
    const ScratchFiles other;
    for (const char16_t* name : {u"Only - Song.mp3", u"Zed - Last.mp3", u"x.mp3"}) {
        ASSERT_TRUE(other.make(std::u16string_view(name)));
        engine.addSong(other.path() + kSeparator + name, 10);
    }
    FrmAmp& a = start();
    a.ExplorerTree1.userPick(folder.path());
    host.advance(1);
    ASSERT_EQ(a.List1.count(), 1);
    a.ExplorerTree1.userPick(other.path());
    EXPECT_TRUE(a.Timer2.enabled());
    EXPECT_EQ(a.List1.count(), 0);
    host.advance(100);
    EXPECT_FALSE(a.Timer2.enabled());
    EXPECT_EQ(a.List1.items(), (std::vector<std::u16string>{u"song", u"x", u"last"}));
    EXPECT_EQ(a.chatsendc.value(), 1);
    EXPECT_TRUE(a.tmrGetSong.enabled());
    const auto notices = [&](std::u16string_view text) {
        return std::count_if(dialogs.shown().begin(), dialogs.shown().end(),
                             [&](const auto& shown) { return shown.text == text; });
    };
    EXPECT_EQ(notices(u"Your Chat Sends Will Now Be Disabled"), 1);
    EXPECT_EQ(notices(u"Your Chat Sends Are Now Enabled"), 1);

    // An empty folder during a build ends it as a completed one: the chat sends come back.
    a.ExplorerTree1.userPick(folder.path());
    const ScratchFiles empty;
    a.ExplorerTree1.userPick(empty.path());
    host.advance(100);
    EXPECT_FALSE(a.Timer2.enabled());
    EXPECT_EQ(a.chatsendc.value(), 1);
}

TEST_F(PlayerTest, SkipAndBackAtTheEndsOfThePlaylist) {
    song(u"a.mp3", 10);
    song(u"b.mp3", 10);
    FrmAmp& a = startOnFolder();
    a.playlist().SelectSong(1);
    engine.setCurrentPosition(4);
    a.transport().NextSong();  // refused at the last entry: the last song starts again
    EXPECT_EQ(a.File1.listIndex(), 1);
    EXPECT_EQ(engine.currentPosition(), 0);
    a.playlist().SelectSong(0);
    a.transport().PreviousSong();  // clears the selection and opens no file
    EXPECT_EQ(a.File1.listIndex(), -1);
    EXPECT_EQ(engine.opened().back(), folder.path() + kSeparator);
    a.transport().NextSong();
    EXPECT_EQ(a.File1.listIndex(), 0);
}

TEST_F(PlayerTest, SongEndMovesOnAndWrapsToTheFirst) {
    song(u"a.mp3", 10);
    song(u"b.mp3", 10);
    FrmAmp& a = startOnFolder();
    engine.finishSong();
    EXPECT_EQ(a.File1.listIndex(), 1);
    EXPECT_EQ(engine.fileName(), path(u"b.mp3"));
    engine.finishSong();
    EXPECT_EQ(a.File1.listIndex(), 0);
    EXPECT_EQ(engine.fileName(), path(u"a.mp3"));
    // A state change that is not at the end moves nothing.
    a.transport().PauseSong();
    EXPECT_EQ(a.File1.listIndex(), 0);
}

TEST_F(PlayerTest, ThePlaylistAnswersWhereThePlayerGoes) {
    song(u"a.mp3", 10);
    song(u"b.mp3", 10);
    song(u"c.mp3", 10);
    FrmAmp& a = startOnFolder();
    Playlist& list = a.playlist();
    constexpr int kAnyOther = -9;  // an entry of the shuffled order: in the list, not the selected
    const struct Row {
        int selected;
        int repeat;
        int random;
        std::optional<int> (*move)(Playlist&);
        std::optional<int> entry;
    } rows[] = {
        {0, 0, 0, [](Playlist& l) { return l.next(); }, 1},
        {2, 0, 0, [](Playlist& l) { return l.next(); }, 3},  // refused: the last starts again
        {1, 1, 0, [](Playlist& l) { return l.next(); }, 2},
        {0, 0, 1, [](Playlist& l) { return l.next(); }, kAnyOther},
        {0, 0, 0, [](Playlist& l) { return std::optional<int>(l.previous()); }, -1},
        {2, 0, 1, [](Playlist& l) { return std::optional<int>(l.previous()); }, 1},
        {1, 0, 0, [](Playlist& l) { return l.afterEnd(); }, 2},
        {2, 0, 0, [](Playlist& l) { return l.afterEnd(); }, 0},  // after the last the first
        {1, 1, 0, [](Playlist& l) { return l.afterEnd(); }, 1},
        {1, 1, 1, [](Playlist& l) { return l.afterEnd(); }, 1},  // Repeat wins over Random
        {-1, 1, 0, [](Playlist& l) { return l.afterEnd(); }, 0},
        {1, 0, 1, [](Playlist& l) { return l.afterEnd(); }, kAnyOther},
        {1, 1, 0, [](Playlist& l) { return l.afterRefused(); }, 2},  // no Repeat of a refusal
        {2, 1, 0, [](Playlist& l) { return l.afterRefused(); }, 0},
        {2, 1, 1, [](Playlist& l) { return l.afterRefused(); }, kAnyOther},
        {1, 0, 0, [](Playlist& l) { return l.shuffled(); }, kAnyOther},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << (&row - rows));
        list.SelectSong(row.selected);
        a.chkRepeat.setValue(row.repeat);
        a.chkRandomSong.setValue(row.random);
        const std::optional<int> entry = row.move(list);
        if (row.entry == kAnyOther) {
            ASSERT_TRUE(entry.has_value());
            EXPECT_NE(*entry, row.selected);
            EXPECT_TRUE(*entry >= 0 && *entry < list.count());
        } else {
            EXPECT_EQ(entry, row.entry);
        }
    }

    // The only entry does not follow itself, and an empty list has no entry to go to.
    a.chkRepeat.setValue(0);
    const ScratchFiles one;
    const ScratchFiles empty;
    ASSERT_TRUE(one.make(u"only.mp3"));
    for (const std::u16string& folderPath : {one.path(), empty.path()}) {
        a.ExplorerTree1.userPick(folderPath);
        for (int random : {0, 1}) {
            a.chkRandomSong.setValue(random);
            EXPECT_EQ(list.afterRefused(),
                      (random == 1 && list.count() == 1) ? std::optional<int>(0) : std::nullopt);
        }
    }
    EXPECT_EQ(list.shuffled(), std::nullopt);
}

TEST_F(PlayerTest, OpeningTellsWhetherTheEngineAcceptedTheFile) {
    song(u"a.mp3", 10);
    ASSERT_TRUE(folder.make(u"b.mp3"));  // a file the engine refuses
    FrmAmp& a = startOnFolder();
    EXPECT_TRUE(a.transport().playEntry(0));
    EXPECT_FALSE(a.transport().playEntry(1));
    EXPECT_FALSE(a.transport().OpenSelectedSong());  // a known refusal
    EXPECT_TRUE(a.transport().playEntry(0));
    EXPECT_TRUE(a.transport().OpenSelectedSong());
}

TEST_F(PlayerTest, PositionRefreshRoundsHalfToEven) {
    song(u"long.mp3", 187.5);
    FrmAmp& a = start();
    a.ExplorerTree1.userPick(folder.path());
    host.advance(50);
    EXPECT_EQ(a.Slider2.max(), 188);
    engine.setCurrentPosition(186.5);
    host.advance(50);
    EXPECT_EQ(a.Slider2.value(), 186);
}

TEST_F(PlayerTest, AnnouncementFollowsTheTitleAndTheTemplate) {
    song(u"Artist - Title.mp3", 10);
    song(u"B - Intro.mp3", 10);
    song(u"C - Intro.mp3", 10);
    song(u"Plain.mp3", 10);
    clock.set(utcTime(2026, 12, 6, 22, 31, 2));
    FrmAmp& a = start();
    a.ExplorerTree1.userPick(folder.path());
    host.advance(5);  // the build completes: entry 0 is "Artist - Title.mp3"
    host.advance(500);
    EXPECT_EQ(a.Artist.caption(), u"Artist ");
    EXPECT_EQ(a.Song.caption(), u" Title");
    EXPECT_EQ(sent().back(), u"\u2020-Artist  -  Title - 10:31:02 PM - 12/6/2026-\u2020");

    const auto count = sent().size();
    a.playlist().SelectSong(1);
    host.advance(500);
    a.playlist().SelectSong(2);  // the same title: not announced again
    host.advance(500);
    EXPECT_EQ(sent().size(), count + 1);
    EXPECT_EQ(a.Artist.caption(), u"C ");

    a.ccoms().box(Word::Announcement).setText(u"%s|%S|%a%d");
    a.playlist().SelectSong(3);
    host.advance(500);
    EXPECT_EQ(a.Artist.caption(), u"");  // no hyphen: no artist
    EXPECT_EQ(sent().back(), u"Plain.mp3|%S|12/6/2026");
}

TEST_F(PlayerTest, ExpansionReplacesInItsOrder) {
    FrmAmp& a = start();
    clock.set(utcTime(2026, 12, 6, 9, 5, 7));
    a.Artist.setCaption(u"%t");
    a.Song.setCaption(u"%a %d");
    // "%a" brought in by the title becomes the artist, whose "%t" is not replaced any more.
    EXPECT_EQ(a.announcer().ExpandAnnouncement(u"[%s]"), u"[%t 12/6/2026]");
    EXPECT_EQ(a.announcer().ExpandAnnouncement(u""), std::u16string());
}

TEST_F(PlayerTest, AutoGetSongStartsAndStopsThePickUp) {
    FrmAmp& a = start();
    a.chkAutoGetSong.userClick();
    EXPECT_FALSE(a.tmrGetSong.enabled());
    a.chkAutoGetSong.userClick();
    EXPECT_TRUE(a.tmrGetSong.enabled());
    a.announcer().pausePickUp();
    EXPECT_FALSE(a.tmrGetSong.enabled());
    a.announcer().resumePickUp();
    EXPECT_TRUE(a.tmrGetSong.enabled());
}

TEST_F(PlayerTest, SlidersDriveTheEngine) {
    song(u"a.mp3", 100);
    FrmAmp& a = start();
    a.ExplorerTree1.userPick(folder.path());
    a.Slider1.userScroll(-10000);
    EXPECT_EQ(engine.volume(), -10000);
    a.Slider2.userScroll(42);
    EXPECT_EQ(engine.currentPosition(), 42);
}

TEST_F(PlayerTest, UnreadableFolderKeepsThePlaylist) {
    song(u"a.mp3", 10);
    FrmAmp& a = startOnFolder();
    a.ExplorerTree1.userPick(folder.path() + u"/missing");
    EXPECT_EQ(a.File1.count(), 1);
    EXPECT_EQ(a.File1.path(), folder.path());
}

}  // namespace
}  // namespace ruz::testing

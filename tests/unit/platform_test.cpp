#include "controls/controls.h"
#include "platform/clock.h"
#include "platform/media/regular_file.h"
#include "platform/native_name.h"
#include "platform/virtual_timer_host.h"
#include "text/text.h"

#include "scratch_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <type_traits>

namespace ruz {
namespace {

TEST(VirtualTimerHost, FiresInTimeOrderWithTiesToTheEarlierScheduled) {
    VirtualTimerHost host;
    std::vector<std::pair<char, std::int64_t>> fired;
    const auto a = host.createTimer([&] { fired.push_back({'a', host.nowMs()}); });
    const auto b = host.createTimer([&] { fired.push_back({'b', host.nowMs()}); });
    host.startTimer(b, 50);
    host.startTimer(a, 20);
    host.advance(100);
    const std::vector<std::pair<char, std::int64_t>> expected = {
        {'a', 20}, {'a', 40}, {'b', 50}, {'a', 60}, {'a', 80}, {'b', 100}, {'a', 100}};
    EXPECT_EQ(fired, expected);
}

TEST(VirtualTimerHost, ATickMayStopAndRestartTimersAndLetTimePass) {
    VirtualTimerHost host;
    int ticks = 0;
    TimerHost::TimerId self = 0;
    self = host.createTimer([&] {
        ++ticks;
        host.stopTimer(self);
    });
    int inner = 0;
    const auto other = host.createTimer([&] { ++inner; });
    host.startTimer(self, 10);
    host.startTimer(other, 1);
    // A modal dialog inside a tick lets time pass; the outer advance goes on from there.
    TimerHost::TimerId modal = 0;
    modal = host.createTimer([&] {
        host.stopTimer(modal);
        host.advance(30);
    });
    host.startTimer(modal, 5);
    host.advance(50);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(inner, 50);
    EXPECT_EQ(host.nowMs(), 50);
}

TEST(VirtualTimerHost, PostedWorkRunsBeforeTheNextTick) {
    VirtualTimerHost host;
    std::vector<int> order;
    const auto t = host.createTimer([&] {
        order.push_back(1);
        host.post([&] { order.push_back(2); });
    });
    host.startTimer(t, 10);
    host.advance(20);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1, 2}));
}

TEST(Controls, LabelAndCheckBoxReportOnlyRealChanges) {
    Label label(u"Song");
    int changes = 0;
    label.onChange = [&] { ++changes; };
    label.setCaption(u"x");
    label.setCaption(u"x");
    EXPECT_EQ(changes, 1);

    CheckBox box(u"chk", 0);
    int clicks = 0;
    box.onClick = [&] { ++clicks; };
    box.setValue(1);
    box.setValue(1);
    box.setValue(2);
    box.userClick();  // anything but 0 becomes 0
    EXPECT_EQ(box.value(), 0);
    EXPECT_EQ(clicks, 3);
}

// Listeners are heard in the order they came, each until its handle goes; one removed by an
// earlier one is not heard, and a handle may outlive its control.
TEST(Controls, ListenersAreHeardUntilTheirHandleGoes) {
    std::vector<int> heard;
    Subscription third;
    auto label = std::make_unique<Label>(u"Song");
    Subscription first = label->addViewListener([&] { heard.push_back(1); });
    Subscription second = label->addViewListener([&] {
        heard.push_back(2);
        third.reset();
    });
    third = label->addViewListener([&] { heard.push_back(3); });
    label->setCaption(u"x");
    EXPECT_EQ(heard, (std::vector<int>{1, 2}));
    first.reset();
    label->setCaption(u"y");
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 2}));
    label.reset();
    second.reset();  // the control has gone: nothing to take back
    // The behaviour reaction is set once; whoever wraps it takes it out first.
    Picture button(u"Image4");
    button.onClick = [&] { heard.push_back(4); };
    const auto next = button.onClick.take();
    EXPECT_FALSE(button.onClick);
    button.onClick = [&] {
        heard.push_back(5);
        next();
    };
    button.click();
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 2, 5, 4}));
}

TEST(Controls, SliderRefusesValuesOutsideItsRange) {
    Slider slider(u"Slider2", 0, 180, 0);
    EXPECT_FALSE(slider.setValue(-1));
    EXPECT_FALSE(slider.setValue(181));
    EXPECT_TRUE(slider.setValue(180));
    EXPECT_TRUE(slider.setMax(60));
    EXPECT_EQ(slider.value(), 60);
    EXPECT_FALSE(slider.setMax(-1));
}

TEST(Controls, TimerEnablingAndIntervals) {
    VirtualTimerHost host;
    Timer timer(u"idle", host, 100, false);
    int ticks = 0;
    timer.onTick = [&] { ++ticks; };
    host.advance(500);
    EXPECT_EQ(ticks, 0);
    timer.setEnabled(true);
    host.advance(50);
    timer.setEnabled(true);  // a running timer is left alone
    host.advance(50);
    EXPECT_EQ(ticks, 1);
    timer.setEnabled(false);
    host.advance(60);
    timer.setEnabled(true);  // a fresh full interval
    host.advance(99);
    EXPECT_EQ(ticks, 1);
    host.advance(1);
    EXPECT_EQ(ticks, 2);
}

TEST(Controls, FileListMatchesItsPatternsAndRefusesBadIndices) {
    ScratchFiles dir;
    for (const char* name : {"b.mp3", "A.MP3", "c.Mp2", "d.m3u", "e.mp3x", "f.wav", "g.mp3.txt"}) {
        ASSERT_TRUE(dir.make(name));
    }
    ASSERT_TRUE(dir.make("h.mp3", true));
    FileListBox list(u"File1", u"*.MP3;*.MP2;*.M3U");
    int changes = 0;
    list.onChange = [&] { ++changes; };
    ASSERT_TRUE(list.setPath(dir.path()));
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(list.item(0), u"A.MP3");
    EXPECT_EQ(list.item(3), u"d.m3u");
    EXPECT_EQ(list.item(4), u"");
    EXPECT_FALSE(list.setListIndex(4));
    EXPECT_FALSE(list.setListIndex(-2));
    EXPECT_TRUE(list.setListIndex(2));
    EXPECT_TRUE(list.setListIndex(2));  // already selected: no change
    EXPECT_TRUE(list.userSelect(2));    // the user's click always reacts
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(list.setPath(dir.path() + u"/missing"));
    EXPECT_FALSE(list.setPath(u""));
    EXPECT_EQ(list.listIndex(), 2);
    EXPECT_TRUE(list.setPath(dir.path() + u"/./h.mp3/.."));  // the path is kept clean
    EXPECT_EQ(list.path(), dir.path());
    EXPECT_EQ(list.listIndex(), -1);
}

TEST(Controls, ListsHoldAtMost32767Entries) {
    ScratchFiles dir;
    for (int i = 0; i <= kMaxListEntries; ++i) {
        std::string name = std::to_string(i);
        ASSERT_TRUE(dir.make(std::string(5 - name.size(), '0') + name + ".mp3"));
    }
    FileListBox files(u"File1", u"*.MP3");
    ASSERT_TRUE(files.setPath(dir.path()));
    EXPECT_EQ(files.count(), kMaxListEntries);
    EXPECT_EQ(files.item(kMaxListEntries - 1), u"32766.mp3");
    EXPECT_TRUE(files.setListIndex(kMaxListEntries - 1));

    ListBox titles(u"List1");
    for (int i = 0; i < kMaxListEntries; ++i) {
        titles.addItem(text::number(i));
    }
    EXPECT_FALSE(titles.addItem(u"one too many"));
    EXPECT_EQ(titles.count(), kMaxListEntries);
}

TEST(VirtualClock, UnitedStatesFormatsReadInUtc) {
    const struct {
        WallTime at;
        const char16_t* time;
        const char16_t* date;
    } rows[] = {
        {utcTime(2026, 12, 6, 22, 31, 2), u"10:31:02 PM", u"12/6/2026"},
        {utcTime(2026, 1, 9, 0, 5, 7), u"12:05:07 AM", u"1/9/2026"},
        {utcTime(2026, 7, 4, 12, 0, 0), u"12:00:00 PM", u"7/4/2026"},
        {utcTime(2026, 7, 4, 11, 59, 59), u"11:59:59 AM", u"7/4/2026"},
        {utcTime(2024, 2, 29, 13, 1, 0), u"1:01:00 PM", u"2/29/2024"},
        {utcTime(1969, 12, 31, 23, 59, 59), u"11:59:59 PM", u"12/31/1969"},  // before 1970
        {utcTime(999, 3, 1, 9, 0, 0), u"9:00:00 AM", u"3/1/0999"},
        {utcTime(2026, 12, 32, 0, 0, 0), u"12:00:00 AM", u"1/1/2027"},  // fields carry over
    };
    for (const auto& row : rows) {
        EXPECT_EQ(usLongTime(row.at), row.time) << text::toUtf8(row.date);
        EXPECT_EQ(usShortDate(row.at), row.date) << text::toUtf8(row.date);
    }
    VirtualTimerHost host;
    VirtualClock clock(host);
    EXPECT_EQ(clock.longTime(clock.now()), u"10:31:02 PM");
    clock.set(utcTime(2026, 12, 6, 23, 59, 59));
    host.advance(1500);
    EXPECT_EQ(clock.longTime(clock.now()), u"12:00:00 AM");
    EXPECT_EQ(clock.shortDate(clock.now()), u"12/7/2026");
}

TEST(NativeNames, AFileNameThatIsNotUtf8IsListedShownAndOpened) {
    const std::string cases[] = {"plain.mp3",
                                 "caf\xc3\xa9.mp3",
                                 "caf\xe9 - bad.mp3",
                                 "\xff\xfe",
                                 "\xc3",
                                 "\xed\xa0\x80 surrogate",
                                 "\xf4\x90\x80\x80",
                                 "\xf3\xb3\xb3\xb3 a pair ending like a kept byte",
                                 "\xb3\xf3\xb3\xb3\xb3",
                                 "a byte order mark \xef\xbb\xbf inside",
                                 "\xad\xef\xbb\xbf after a kept byte"};
    for (const std::string& bytes : cases) {
        const std::u16string name = nameFromNative(bytes);
        EXPECT_EQ(nativeFromName(name), bytes) << bytes;
        EXPECT_EQ(displayName(name) == name, text::toUtf8(text::fromUtf8(bytes)) == bytes) << bytes;
    }
    EXPECT_EQ(displayName(nameFromNative("caf\xe9.mp3")), u"caf\ufffd.mp3");
    // A name may start with a byte order mark: it is a character of the name like any other.
    EXPECT_EQ(nativeFromName(nameFromNative("\xef\xbb\xbf.mp3")), "\xef\xbb\xbf.mp3");

#ifdef _WIN32
    // Windows names are UTF-16: a name beyond the ANSI code page is listed and opened as it is.
    const std::u16string made = u"\u0416\u00e9 \U0001F3B5 - Song.mp3";
    const std::u16string shown = made;
#else
    const std::u16string made = nameFromNative("caf\xe9 - Song.mp3");
    const std::u16string shown = u"caf\ufffd - Song.mp3";
#endif
    ScratchFiles folder;
    ASSERT_TRUE(folder.make(made));
    ControlRegistry window;
    FileListBox list({window, u"File1"}, u"*.MP3");
    ASSERT_TRUE(list.setPath(folder.path()));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.item(0), made);
    EXPECT_EQ(displayName(list.item(0)), shown);
    const std::u16string path = list.path() + u'/' + list.item(0);
    EXPECT_TRUE(media::readRegularFile(path, 1));
}

TEST(NativeNames, PathsComeOutClean) {
    const struct {
        const char16_t* path;
        const char16_t* clean;
    } rows[] = {
        {u"", u""},
        {u"/", u"/"},
        {u"//", u"/"},
        {u"/a/./b/../c/", u"/a/c"},
        {u"/..", u"/"},
        {u"/../a", u"/a"},
        {u"a/..", u"."},
        {u"../a/../../b", u"../../b"},
        {u"./a//b/.", u"a/b"},
        {u"/m/\xdce9t\xdce9", u"/m/\xdce9t\xdce9"},  // kept bytes stay as they are
    };
    for (const auto& row : rows) {
        EXPECT_EQ(cleanPath(row.path), row.clean) << text::toUtf8(row.path);
    }
#ifdef _WIN32
    // A drive starts an absolute path too, and either slash separates.
    const std::remove_cvref_t<decltype(rows[0])> windowsRows[] = {
        {u"C:\\", u"C:/"},          {u"c:/a\\.\\b\\..\\c\\", u"c:/a/c"},
        {u"Z:\\..\\a", u"Z:/a"},    {u"\\m\\a.mp3", u"/m/a.mp3"},
        {u"a\\..\\..\\b", u"../b"},
    };
    for (const auto& row : windowsRows) {
        EXPECT_EQ(cleanPath(row.path), row.clean) << text::toUtf8(row.path);
    }
    EXPECT_EQ(absolutePath(u"C:\\m\\..\\n"), u"C:/n");
    EXPECT_EQ(folderOf(u"C:\\m\\a.mp3"), u"C:/m");
    EXPECT_EQ(folderOf(u"C:\\a.mp3"), u"C:/");
#else
    EXPECT_TRUE(absolutePath(u"a").starts_with(u"/"));
#endif
    // An absolute path stays as it is, whatever the working folder.
    EXPECT_EQ(absolutePath(absolutePath(u"a")), absolutePath(u"a"));
    EXPECT_TRUE(absolutePath(u"a").ends_with(u"/a"));
    EXPECT_EQ(folderOf(u"/m/a.mp3"), u"/m");
    EXPECT_EQ(folderOf(u"/a.mp3"), u"/");
    EXPECT_EQ(folderOf(u"a.mp3"), absolutePath(u"."));
    EXPECT_FALSE(listFileNames(u"/no/such/folder/at/all"));
}

}  // namespace
}  // namespace ruz

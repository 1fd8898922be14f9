#include "controls/controls.h"
#include "platform/clock.h"
#include "platform/media/regular_file.h"
#include "platform/native_name.h"
#include "platform/virtual_timer_host.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

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
    Label label(u"Song"_qs);
    int changes = 0;
    label.onChange = [&] { ++changes; };
    label.setCaption(u"x"_qs);
    label.setCaption(u"x"_qs);
    EXPECT_EQ(changes, 1);

    CheckBox box(u"chk"_qs, 0);
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
    auto label = std::make_unique<Label>(u"Song"_qs);
    Subscription first = label->addViewListener([&] { heard.push_back(1); });
    Subscription second = label->addViewListener([&] {
        heard.push_back(2);
        third.reset();
    });
    third = label->addViewListener([&] { heard.push_back(3); });
    label->setCaption(u"x"_qs);
    EXPECT_EQ(heard, (std::vector<int>{1, 2}));
    first.reset();
    label->setCaption(u"y"_qs);
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 2}));
    label.reset();
    second.reset();  // the control has gone: nothing to take back
    // The behaviour reaction is set once; whoever wraps it takes it out first.
    Picture button(u"Image4"_qs);
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
    Slider slider(u"Slider2"_qs, 0, 180, 0);
    EXPECT_FALSE(slider.setValue(-1));
    EXPECT_FALSE(slider.setValue(181));
    EXPECT_TRUE(slider.setValue(180));
    EXPECT_TRUE(slider.setMax(60));
    EXPECT_EQ(slider.value(), 60);
    EXPECT_FALSE(slider.setMax(-1));
}

TEST(Controls, TimerEnablingAndIntervals) {
    VirtualTimerHost host;
    Timer timer(u"idle"_qs, host, 100, false);
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
    QTemporaryDir dir;
    for (const char* name : {"b.mp3", "A.MP3", "c.Mp2", "d.m3u", "e.mp3x", "f.wav", "g.mp3.txt"}) {
        QFile(dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    }
    QDir(dir.path()).mkdir(u"h.mp3"_qs);
    FileListBox list(u"File1"_qs, u"*.MP3;*.MP2;*.M3U"_qs);
    int changes = 0;
    list.onChange = [&] { ++changes; };
    ASSERT_TRUE(list.setPath(dir.path()));
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(list.item(0), u"A.MP3");
    EXPECT_EQ(list.item(3), u"d.m3u");
    EXPECT_FALSE(list.setListIndex(4));
    EXPECT_FALSE(list.setListIndex(-2));
    EXPECT_TRUE(list.setListIndex(2));
    EXPECT_TRUE(list.setListIndex(2));  // already selected: no change
    EXPECT_TRUE(list.userSelect(2));    // the user's click always reacts
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(list.setPath(dir.filePath(u"missing"_qs)));
    EXPECT_EQ(list.listIndex(), 2);
    EXPECT_TRUE(list.setPath(dir.path()));
    EXPECT_EQ(list.listIndex(), -1);
}

TEST(Controls, ListsHoldAtMost32767Entries) {
    QTemporaryDir dir;
    for (int i = 0; i <= kMaxListEntries; ++i) {
        QFile(dir.filePath(QStringLiteral("%1.mp3").arg(i, 5, 10, QChar(u'0'))))
            .open(QIODevice::WriteOnly);
    }
    FileListBox files(u"File1"_qs, u"*.MP3"_qs);
    ASSERT_TRUE(files.setPath(dir.path()));
    EXPECT_EQ(files.count(), kMaxListEntries);
    EXPECT_EQ(files.item(kMaxListEntries - 1), u"32766.mp3");
    EXPECT_TRUE(files.setListIndex(kMaxListEntries - 1));

    ListBox titles(u"List1"_qs);
    for (int i = 0; i < kMaxListEntries; ++i) {
        titles.addItem(QString::number(i));
    }
    EXPECT_FALSE(titles.addItem(u"one too many"_qs));
    EXPECT_EQ(titles.count(), kMaxListEntries);
}

TEST(RegionalFormats, ShortDateHasAFourDigitYearAndCIsTheUnitedStates) {
    const QDateTime at(QDate(2026, 12, 6), QTime(22, 31, 2), Qt::UTC);
    struct Row {
        QLocale locale;
        const char16_t* date;
    } rows[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), u"12/6/2026"},
        {QLocale::c(), u"12/6/2026"},
        {QLocale(QLocale::German, QLocale::Germany), u"06.12.2026"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), u"06/12/2026"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(regionalShortDate(row.locale, at), QString::fromUtf16(row.date))
            << row.locale.name().toStdString();
        EXPECT_TRUE(regionalLongTime(row.locale, at).contains(u"31:02"))
            << row.locale.name().toStdString();
    }
    EXPECT_EQ(regionalLongTime(QLocale::c(), at), u"10:31:02 PM");
}

TEST(NativeNames, AFileNameThatIsNotUtf8IsListedShownAndOpened) {
    const QByteArray cases[] = {"plain.mp3",
                                "caf\xc3\xa9.mp3",
                                "caf\xe9 - bad.mp3",
                                "\xff\xfe",
                                "\xc3",
                                "\xed\xa0\x80 surrogate",
                                "\xf4\x90\x80\x80",
                                "\xf3\xb3\xb3\xb3 a pair ending like a kept byte",
                                "\xb3\xf3\xb3\xb3\xb3"};
    for (const QByteArray& bytes : cases) {
        const QString name = nameFromNative(bytes);
        EXPECT_EQ(nativeFromName(name), bytes) << bytes.toStdString();
        EXPECT_EQ(displayName(name) == name, QString::fromUtf8(bytes).toUtf8() == bytes)
            << bytes.toStdString();
    }
    EXPECT_EQ(displayName(nameFromNative("caf\xe9.mp3")), u"caf\ufffd.mp3");

    QTemporaryDir folder;
    const QByteArray raw = QFile::encodeName(folder.path()) + "/caf\xe9 - Song.mp3";
    QFile file;
    ASSERT_TRUE(file.open(::open(raw.constData(), O_CREAT | O_WRONLY, 0600), QIODevice::WriteOnly,
                          QFileDevice::AutoCloseHandle));
    file.close();
    ControlRegistry window;
    FileListBox list({window, QStringLiteral("File1")}, QStringLiteral("*.MP3"));
    ASSERT_TRUE(list.setPath(folder.path()));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(displayName(list.item(0)), u"caf\ufffd - Song.mp3");
    const QString path = list.path() + u'/' + list.item(0);
    EXPECT_TRUE(media::openRegularFile(path).valid());
    ::unlink(raw.constData());  // a name the folder's own removal cannot spell
}

}  // namespace
}  // namespace ruz

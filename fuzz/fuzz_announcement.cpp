// The song announcement: a fuzzed template expanded with fuzzed Song and Artist labels, on the
// whole program, and sent into the room when the chat sends are on.

#include "fuzz_system.h"
#include "qt/qt_text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

namespace {
constexpr std::size_t kMaxText = 96;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // One program for the whole run, brought back to the same state before each input: no title,
    // nothing sent, an empty transcript.
    // A song is selected: with none there is nothing to announce.
    static ruz::fuzz::Scratch scratch;
    static const bool written = ruz::fuzz::writeFile(scratch.filePath(QStringLiteral("a.mp3")), {});
    static ruz::fuzz::FuzzSystem system(scratch.path());
    static const bool built = [] {
        system.host.advance(10);  // the title list of one entry is built
        return true;
    }();
    FUZZ_CHECK(written && built);
    ruz::FrmAmp& app = *system.app();
    FUZZ_CHECK(app.File1.listIndex() == 0);
    app.Song.setCaption(u"");
    app.Artist.setCaption(u"");
    system.standin.takeSentByProgram();
    app.chat.emptyFront();

    const QString artist = QString::fromStdString(in.ConsumeRandomLengthString(kMaxText));
    const QString song = QString::fromStdString(in.ConsumeRandomLengthString(kMaxText));
    const QString announcementTemplate = QString::fromStdString(in.ConsumeRemainingBytesAsString());
    app.ccoms().box(ruz::Word::Announcement).setText(ruz::fromQString(announcementTemplate));

    const std::size_t sentBefore = system.standin.sentByProgram().size();
    app.Artist.setCaption(ruz::fromQString(artist));
    app.Song.setCaption(ruz::fromQString(song));  // a new title is announced
    const QString expanded = app.announcer().ExpandAnnouncement(announcementTemplate);

    if (!announcementTemplate.contains(u'%')) {
        FUZZ_CHECK(expanded == announcementTemplate);
    }
    if (announcementTemplate == QStringLiteral("%a")) {
        FUZZ_CHECK(expanded == artist);
    }
    // One press of the send button for a changed title, none when it stayed the same.
    const std::size_t pressed = system.standin.sentByProgram().size() - sentBefore;
    FUZZ_CHECK(pressed == (song.isEmpty() ? 0U : 1U));
    return 0;
}

// The song announcement: a fuzzed template expanded with fuzzed Song and Artist labels, on the
// whole program, and sent into the room when the chat sends are on.

#include "fuzz_system.h"
#include "text/text.h"

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

    const std::u16string artist = ruz::text::fromUtf8(in.ConsumeRandomLengthString(kMaxText));
    const std::u16string song = ruz::text::fromUtf8(in.ConsumeRandomLengthString(kMaxText));
    const std::u16string announcementTemplate =
        ruz::text::fromUtf8(in.ConsumeRemainingBytesAsString());
    app.ccoms().box(ruz::Word::Announcement).setText(announcementTemplate);

    const std::size_t sentBefore = system.standin.sentByProgram().size();
    app.Artist.setCaption(artist);
    app.Song.setCaption(song);  // a new title is announced
    const std::u16string expanded = app.announcer().ExpandAnnouncement(announcementTemplate);

    if (!ruz::text::contains(announcementTemplate, u'%')) {
        FUZZ_CHECK(expanded == announcementTemplate);
    }
    if (announcementTemplate == u"%a") {
        FUZZ_CHECK(expanded == artist);
    }
    // One press of the send button for a changed title, none when it stayed the same.
    const std::size_t pressed = system.standin.sentByProgram().size() - sentBefore;
    FUZZ_CHECK(pressed == (song.empty() ? 0U : 1U));
    return 0;
}

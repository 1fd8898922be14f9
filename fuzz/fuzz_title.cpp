// The two title derivations: the title-list build's buildTitle and the title pick-up from the
// playlist's selected file, for a folder holding one file named from the input.

#include "fuzz_system.h"
#include "platform/native_name.h"
#include "qt/qt_text.h"
#include "text/text.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

#include <cstddef>
#include <cstdint>

namespace {

// The longest name a Linux folder entry may have, in bytes.
constexpr qsizetype kMaxNameBytes = 255;

// The input as a file name the folder can hold, ending in ".mp3" so that the playlist lists it.
QString fileNameFrom(const QByteArray& input) {
    QString name = QString::fromUtf8(input);
    name.replace(u'/', u'_');
    name.replace(QChar(0), u'_');
    name.append(QStringLiteral(".mp3"));
    while (QFile::encodeName(name).size() > kMaxNameBytes) {
        name.remove(0, 1);
    }
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // The build's title: the text before the first ".", after the first " - ", in lower case.
    const std::u16string asName = ruz::text::fromUtf8(
        std::string_view(input.constData(), static_cast<std::size_t>(input.size())));
    const std::u16string title = ruz::buildTitle(asName);
    FUZZ_CHECK(!ruz::text::contains(title, u'.'));
    FUZZ_CHECK(title.size() <= 3 * asName.size());  // lower case may lengthen a character
    if (!ruz::text::contains(title, u" - ")) {
        FUZZ_CHECK(ruz::buildTitle(title) == ruz::text::lower(title));
    }

    // The pick-up: a folder with exactly that one file.
    static const ruz::fuzz::Scratch scratch;
    const QString folderPath = scratch.filePath(QStringLiteral("songs"));
    QDir folder(folderPath);
    FUZZ_CHECK(folder.mkpath(folderPath));
    // Every file, also one whose name is not valid UTF-8 (a name cut inside a surrogate pair is
    // written so), as the playlist lists them.
    for (const std::u16string& old :
         ruz::listFileNames(ruz::fromQString(folderPath)).value_or(std::vector<std::u16string>())) {
        FUZZ_CHECK(
            ::unlink(ruz::nativeFromName(ruz::fromQString(folderPath + u'/') + old).c_str()) == 0);
    }
    const QString name = fileNameFrom(input);
    // A name starting with "." is a hidden file, which the playlist does not list.
    if (name.startsWith(u'.') || !ruz::fuzz::writeFile(folder.filePath(name), QByteArray("x"))) {
        return 0;
    }
    // One program for the whole run: each input is a new pick of the folder, which lists it
    // afresh and builds its title list again.
    static ruz::fuzz::FuzzSystem system;
    ruz::FrmAmp& app = *system.app();
    app.Song.setCaption(u"");
    system.pick(folderPath);
    FUZZ_CHECK(app.File1.count() == 1);
    system.host.advance(10);  // the title list of one entry is built
    FUZZ_CHECK(app.List1.count() == 1);
    const std::u16string listed = app.File1.item(0);
    FUZZ_CHECK(app.List1.item(0) == ruz::buildTitle(listed));

    app.announcer().pickUpTitle();
    const QString shown = ruz::toQString(listed);
    const qsizetype hyphen = shown.indexOf(u'-');
    if (hyphen < 0) {
        FUZZ_CHECK(app.Song.caption() == listed);
        FUZZ_CHECK(app.Artist.caption().empty());
    } else {
        FUZZ_CHECK(app.Artist.caption() == ruz::fromQString(shown.left(hyphen)));
        FUZZ_CHECK(app.Song.caption() ==
                   ruz::fromQString(shown.mid(hyphen + 1).section(u'.', 0, 0)));
    }
    system.standin.takeSentByProgram();
    app.chat.emptyFront();
    return 0;
}

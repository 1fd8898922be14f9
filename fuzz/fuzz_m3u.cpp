// The M3U reader: fuzzed song lists, parsed from bytes and read from a file.

#include "fuzz_system.h"
#include "platform/media/m3u.h"

#include <cstddef>
#include <cstdint>

namespace {}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::u16string_view folder = u"/music/lists";
    const std::vector<std::u16string> entries = ruz::media::parseM3u(
        std::string_view(content.constData(), static_cast<std::size_t>(content.size())), folder);
    for (const std::u16string& entry : entries) {
        FUZZ_CHECK(!entry.empty());
        FUZZ_CHECK(entry.starts_with(u'/'));  // resolved against the list's folder
    }
    FUZZ_CHECK(static_cast<qsizetype>(entries.size()) <= content.count('\n') + 1);

    static const ruz::fuzz::Scratch scratch;
    const QString path = scratch.filePath(QStringLiteral("list.m3u"));
    FUZZ_CHECK(ruz::fuzz::writeFile(path, content));
    FUZZ_CHECK(ruz::media::isM3uPath(ruz::fromQString(path)));
    const std::optional<std::vector<std::u16string>> read =
        ruz::media::readM3u(ruz::fromQString(path));
    FUZZ_CHECK(read.has_value());
    FUZZ_CHECK(read->size() == entries.size());
    return 0;
}

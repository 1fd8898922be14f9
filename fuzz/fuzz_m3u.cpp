// The M3U reader: fuzzed song lists, parsed from bytes and read from a file.

#include "fuzz_system.h"
#include "platform/media/m3u.h"

#include <cstddef>
#include <cstdint>

namespace {}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString folder = QStringLiteral("/music/lists");
    const QStringList entries = ruz::media::parseM3u(content, folder);
    for (const QString& entry : entries) {
        FUZZ_CHECK(!entry.isEmpty());
        FUZZ_CHECK(entry.startsWith(u'/'));  // resolved against the list's folder
    }
    FUZZ_CHECK(entries.size() <= content.count('\n') + 1);

    static const ruz::fuzz::Scratch scratch;
    const QString path = scratch.filePath(QStringLiteral("list.m3u"));
    FUZZ_CHECK(ruz::fuzz::writeFile(path, content));
    FUZZ_CHECK(ruz::media::isM3uPath(path));
    const std::optional<QStringList> read = ruz::media::readM3u(path);
    FUZZ_CHECK(read.has_value());
    FUZZ_CHECK(read->size() == entries.size());
    return 0;
}

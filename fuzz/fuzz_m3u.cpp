// The M3U reader: fuzzed song lists, parsed from bytes and read from a file.

#include "fuzz_system.h"
#include "platform/media/m3u.h"
#include "qt/qt_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const std::vector<std::u16string> entries = ruz::media::parseM3u(content, u"/music/lists");
    for (const std::u16string& entry : entries) {
        FUZZ_CHECK(!entry.empty());
        FUZZ_CHECK(entry.starts_with(u'/'));  // resolved against the list's folder
    }
    FUZZ_CHECK(entries.size() <=
               static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n')) + 1);

    static const ruz::fuzz::Scratch scratch;
    const QString path = scratch.filePath(QStringLiteral("list.m3u"));
    FUZZ_CHECK(ruz::fuzz::writeFile(path, QByteArray(content.data(), content.size())));
    FUZZ_CHECK(ruz::media::isM3uPath(ruz::fromQString(path)));
    const std::optional<std::vector<std::u16string>> read =
        ruz::media::readM3u(ruz::fromQString(path));
    FUZZ_CHECK(read.has_value());
    FUZZ_CHECK(read->size() == entries.size());
    return 0;
}

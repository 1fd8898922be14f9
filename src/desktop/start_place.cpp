#include "desktop/start_place.h"

#include "text/text.h"

#include <algorithm>
#include <tuple>

namespace ruz::desktop {

namespace {
constexpr char kNoSuchPlace[] = "no such folder or song: ";
constexpr char kKeptFolderGone[] = "the folder of the last run is gone: ";
constexpr char16_t kNotASong[] = u"not a song this player plays: ";
}  // namespace

StartPlace startPlace(const std::u16string& given, const std::string& keptFolder,
                      const Places& places) {
    StartPlace start;
    if (!given.empty()) {
        const std::u16string full = places.absolute(given);
        switch (places.kindOf(full)) {
            case Places::Kind::Folder:
                start.folder = full;
                return start;
            case Places::Kind::File:
                std::tie(start.folder, start.song) = places.split(full);
                return start;
            case Places::Kind::Missing:
                start.problems.push_back(std::string(kNoSuchPlace) + text::toUtf8(given));
                break;
        }
    }
    if (!keptFolder.empty()) {
        const std::u16string kept = text::fromUtf8(keptFolder);
        if (places.kindOf(kept) == Places::Kind::Folder) {
            start.folder = kept;
            return start;
        }
        start.problems.push_back(kKeptFolderGone + keptFolder);
    }
    const std::u16string music = places.musicFolder();
    start.folder = !music.empty() && places.kindOf(music) == Places::Kind::Folder
                       ? music
                       : places.homeFolder();
    return start;
}

std::optional<std::size_t> entryNamed(const std::vector<std::u16string>& entries,
                                      std::u16string_view name) {
    const auto same = std::find(entries.begin(), entries.end(), name);
    if (same != entries.end()) {
        return static_cast<std::size_t>(same - entries.begin());
    }
    const auto alike = [name](const std::u16string& entry) {
        return text::equalsIgnoringCase(entry, name);
    };
    const auto first = std::find_if(entries.begin(), entries.end(), alike);
    if (first == entries.end() || std::find_if(first + 1, entries.end(), alike) != entries.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(first - entries.begin());
}

std::u16string notASong(std::u16string_view name) {
    std::u16string problem = kNotASong;
    problem += name;
    return problem;
}

}  // namespace ruz::desktop

#pragma once

// Where the player starts: the folder or song the user gave, else the folder of the last run,
// else the desktop's music folder, else the home folder; and which entry of the listed folder is
// the song given. The file system is asked through the Places seam each program implements.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruz::desktop {

// The user's places and the file system's answers, as one system gives them (UTF-16 names).
class Places {
  public:
    enum class Kind { Missing, Folder, File };

    virtual ~Places() = default;
    virtual Kind kindOf(const std::u16string& path) const = 0;
    // `path` made absolute and clean, as the system writes it.
    virtual std::u16string absolute(const std::u16string& path) const = 0;
    // The folder holding `file` (absolute) and the file's own name.
    virtual std::pair<std::u16string, std::u16string> split(const std::u16string& file) const = 0;
    // The desktop's music folder, "" for none; the user's home folder.
    virtual std::u16string musicFolder() const = 0;
    virtual std::u16string homeFolder() const = 0;
};

struct StartPlace {
    std::u16string folder;
    std::u16string song;                // the song given, to play once listed; "" for none
    std::vector<std::string> problems;  // for the user, UTF-8
};

// In order of preference: the folder `given` (or the folder of the song given), the folder kept
// from the last run (`keptFolder`, UTF-8), the music folder, the home folder. A given name that is
// neither, and a kept folder that is gone, are reported and passed over.
StartPlace startPlace(const std::u16string& given, const std::string& keptFolder,
                      const Places& places);

// The entry of `entries` that is the song `name`: the one of the same name, else the only one
// whose name differs from it in letter case alone (a file system that ignores case names a file
// either way). nullopt for none.
std::optional<std::size_t> entryNamed(const std::vector<std::u16string>& entries,
                                      std::u16string_view name);

// What the user is told when the song given is not in the list.
std::u16string notASong(std::u16string_view name);

}  // namespace ruz::desktop

#pragma once

#include <filesystem>
#include <string_view>

namespace ruz {

// A new, empty folder in the system's temporary folder (its links resolved), named `prefix` and
// six letters or digits drawn at random, that only its owner may enter. It is removed with
// everything in it when the object ends. When no folder can be made, the path is empty.
class ScratchFolder {
  public:
    explicit ScratchFolder(std::string_view prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool valid() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace ruz

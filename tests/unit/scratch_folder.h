#pragma once

// A scratch folder of the file system's own, for the unit tests that need real files: plain C++,
// so the same tests run on Linux and on Windows.

#include "platform/native_name.h"
#include "text/text.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace ruz {

// A new empty folder, removed with everything in it when the test ends.
class ScratchFolder {
  public:
    ScratchFolder() {
        constexpr int kAttempts = 16;
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < kAttempts && folder_.empty(); ++attempt) {
            const std::filesystem::path candidate = base / ("ruz-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                folder_ = candidate;
            }
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder as the system names it (with forward slashes on Windows too).
    std::u16string path() const {
#ifdef _WIN32
        const std::wstring wide = folder_.generic_wstring();
        return std::u16string(wide.begin(), wide.end());
#else
        return nameFromNative(folder_.native());
#endif
    }
    // Creates an empty file (or, with `folder`, a folder) of that name.
    bool make(std::u16string_view name, bool folder = false) const {
        const std::filesystem::path target = nativePath(file(name));
        if (folder) {
            std::error_code error;
            return std::filesystem::create_directory(target, error);
        }
        return std::ofstream(target).good();
    }
    bool make(std::string_view name, bool folder = false) const {
        return make(text::fromUtf8(name), folder);
    }
    // `name` in the folder.
    std::u16string file(std::u16string_view name) const {
        return path() + u'/' + std::u16string(name);
    }

  private:
    std::filesystem::path folder_;
};

}  // namespace ruz

#pragma once

// Real files for the unit tests that need them, in a scratch folder of the platform's own: plain
// C++, so the same tests run on Linux and on Windows.

#include "platform/native_path.h"
#include "platform/scratch_folder.h"
#include "text/text.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace ruz {

// The test audio `name`: in RUZ_FIXTURES_DIR from the environment (the Windows run passes it in
// the system's own path form) or from the build.
inline std::u16string audioFixture(std::u16string_view name) {
    const char* dir = std::getenv("RUZ_FIXTURES_DIR");
    return text::fromUtf8(dir != nullptr ? dir : RUZ_FIXTURES_DIR) + u'/' + std::u16string(name);
}

class ScratchFiles {
  public:
    // The folder as the system names it (with forward slashes on Windows too).
    std::u16string path() const { return nameFromPath(folder_.path()); }
    // `name` in the folder.
    std::u16string file(std::u16string_view name) const {
        return path() + u'/' + std::u16string(name);
    }
    // Creates an empty file (or, with `folder`, a folder) of that name.
    bool make(std::u16string_view name, bool folder = false) const {
        const std::filesystem::path target = pathFromName(file(name));
        if (folder) {
            std::error_code error;
            return std::filesystem::create_directory(target, error);
        }
        return std::ofstream(target).good();
    }
    bool make(std::string_view name, bool folder = false) const {
        return make(text::fromUtf8(name), folder);
    }

  private:
    ScratchFolder folder_{"ruz-test-"};
};

}  // namespace ruz

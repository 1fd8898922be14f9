#include "platform/scratch_folder.h"

#include <random>
#include <string>
#include <system_error>

namespace ruz {

namespace {

namespace fs = std::filesystem;

// The random part of a name, and how many names are drawn before giving up when each is taken.
constexpr int kRandomLength = 6;
constexpr int kAttempts = 100;
constexpr std::string_view kNameCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// The system's temporary folder with its links resolved; empty when there is none.
fs::path temporaryFolder() {
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    if (error) {
        return {};
    }
    fs::path resolved = fs::canonical(temp, error);
    return error ? fs::path() : resolved;
}

fs::path makeFolder(std::string_view prefix) {
    const fs::path temp = temporaryFolder();
    if (temp.empty()) {
        return {};
    }
    std::random_device seed;
    std::mt19937 draw(seed());
    std::uniform_int_distribution<std::size_t> pick(0, kNameCharacters.size() - 1);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name(prefix);
        for (int i = 0; i < kRandomLength; ++i) {
            name += kNameCharacters[pick(draw)];
        }
        const fs::path folder = temp / name;
        std::error_code error;
        if (fs::create_directory(folder, error)) {
            fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, error);
            return folder;
        }
        if (!fs::exists(folder, error)) {
            return {};  // the name was free: the temporary folder takes no new folder at all
        }
    }
    return {};
}

}  // namespace

ScratchFolder::ScratchFolder(std::string_view prefix) : path_(makeFolder(prefix)) {}

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) {
        std::error_code error;
        fs::remove_all(path_, error);
    }
}

}  // namespace ruz

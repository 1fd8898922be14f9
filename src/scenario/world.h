#pragma once

#include "headless/headless_system.h"
#include "platform/scratch_folder.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace ruz::scenario {

// The headless program with the real engine and its silent output, in a scratch folder that is
// also the working folder. The scratch folder is made anew in the system's temporary folder and
// removed with everything in it when the world ends; the working folder is then what it was.
class World : public HeadlessSystem {
  public:
    World();
    ~World() override;
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    bool ready() const { return !root_.empty(); }
    // The scratch folder, absolute; empty when it could not be made.
    const std::u16string& root() const { return root_; }
    // A scenario path (relative, "/"-separated) as an absolute path.
    std::u16string absolute(std::u16string_view path) const;
    // An absolute path as scenario text: relative to the scratch folder, "." for the folder.
    std::u16string relative(std::u16string_view path) const;

  private:
    ScratchFolder scratch_;
    std::u16string root_;
    std::filesystem::path previousWorkingFolder_;
};

}  // namespace ruz::scenario

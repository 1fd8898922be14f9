#include "scenario/world.h"

#include "platform/media/engine_factory.h"
#include "platform/native_path.h"

#include <algorithm>
#include <system_error>

namespace ruz::scenario {

namespace {

namespace fs = std::filesystem;

// `path` without "." pieces, ".." pieces after a folder or doubled separators, and without a
// separator at its end.
fs::path cleaned(const fs::path& path) {
    fs::path clean = path.lexically_normal();
    if (!clean.has_filename() && clean.has_relative_path()) {
        clean = clean.parent_path();
    }
    return clean;
}

}  // namespace

World::World() : HeadlessSystem(makeVirtualTimeEngine), scratch_("ruz-scenario-") {
    model.setRecording(false);
    std::error_code error;
    previousWorkingFolder_ = fs::current_path(error);
    if (scratch_.valid()) {
        fs::current_path(scratch_.path(), error);
        root_ = nameFromPath(scratch_.path());
    }
}

World::~World() {
    destroyApp();
    std::error_code error;
    if (!previousWorkingFolder_.empty()) {
        fs::current_path(previousWorkingFolder_, error);
    }
}

std::u16string World::absolute(std::u16string_view path) const {
    const fs::path given = pathFromName(path);
    return nameFromPath(cleaned(given.is_absolute() ? given : scratch_.path() / given));
}

std::u16string World::relative(std::u16string_view path) const {
    if (path.empty()) {
        return {};
    }
    const fs::path clean = cleaned(pathFromName(path));
    if (!clean.is_absolute()) {
        return nameFromPath(clean);
    }
    const fs::path rel = clean.lexically_relative(scratch_.path());
    std::u16string text = nameFromPath(rel);
    // A folder above the scratch folder is written with a separator at its end ("../").
    const bool onlyUp = !rel.empty() && std::all_of(rel.begin(), rel.end(),
                                                    [](const fs::path& p) { return p == ".."; });
    if (onlyUp) {
        text += u'/';
    }
    return text.empty() ? u"." : text;
}

}  // namespace ruz::scenario

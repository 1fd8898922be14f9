#pragma once

#include "desktop/start_place.h"

namespace ruz::ui {

// The user's places and the file system as Qt gives them.
class QtPlaces final : public desktop::Places {
  public:
    Kind kindOf(const std::u16string& path) const override;
    std::u16string absolute(const std::u16string& path) const override;
    std::pair<std::u16string, std::u16string> split(const std::u16string& file) const override;
    std::u16string musicFolder() const override;
    std::u16string homeFolder() const override;
};

}  // namespace ruz::ui

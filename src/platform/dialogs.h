#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ruz {

// The application's title, the caption of every message box that gives none of its own.
inline constexpr std::u16string_view kApplicationTitle = u"Taviks Ruz";

// Modal dialogs. Each call returns when the user has answered; timers keep ticking meanwhile.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(std::u16string_view text) = 0;
    // A notice with a single OK button and no icon.
    virtual void notice(std::u16string_view text) = 0;
    // A one-line text prompt with an empty field; nullopt when the user cancels.
    virtual std::optional<std::u16string> prompt(std::u16string_view text,
                                                 std::u16string_view title) = 0;
    // A folder picker opening at `initialFolder`; "" when the user cancels.
    virtual std::u16string pickFolder(std::u16string_view title,
                                      std::u16string_view initialFolder) = 0;
};

}  // namespace ruz

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruz {

// The application's title, the caption of every message box that gives none of its own.
inline constexpr std::u16string_view kApplicationTitle = u"Taviks Ruz";

// Dialogs. A question, a prompt and the folder picker return when the user has answered; timers
// keep ticking meanwhile. A notice only informs: it opens and the program goes on at once, until
// the user presses its OK.
class Dialogs {
  public:
    // Names one notice as long as the dialogs live; 0 names none.
    using NoticeId = std::uint64_t;

    virtual ~Dialogs() = default;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(std::u16string_view text) = 0;
    // A notice with a single OK button and no icon, above the owner window with the focus; 0 when
    // none could be shown.
    virtual NoticeId notice(std::u16string_view text) = 0;
    // A notice that says how `subject` stands now. The notice on the same subject still open from
    // before says what is no longer true: it closes as this one opens.
    NoticeId noticeAbout(std::u16string_view subject, std::u16string_view text);
    // A one-line text prompt with an empty field; nullopt when the user cancels.
    virtual std::optional<std::u16string> prompt(std::u16string_view text,
                                                 std::u16string_view title) = 0;
    // A folder picker opening at `initialFolder`; "" when the user cancels.
    virtual std::u16string pickFolder(std::u16string_view title,
                                      std::u16string_view initialFolder) = 0;

  protected:
    // Closes the notice `id`; one the user has closed already, or 0, is left as it is.
    virtual void closeNotice(NoticeId id) = 0;

  private:
    // The last notice shown on each subject, which may have been closed since.
    std::vector<std::pair<std::u16string, NoticeId>> latestAbout_;
};

}  // namespace ruz

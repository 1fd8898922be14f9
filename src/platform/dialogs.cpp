#include "platform/dialogs.h"

#include <algorithm>

namespace ruz {

Dialogs::NoticeId Dialogs::noticeAbout(std::u16string_view subject, std::u16string_view text) {
    auto latest = std::find_if(latestAbout_.begin(), latestAbout_.end(),
                               [subject](const auto& entry) { return entry.first == subject; });
    if (latest == latestAbout_.end()) {
        latestAbout_.emplace_back(std::u16string(subject), 0);
        latest = std::prev(latestAbout_.end());
    }
    // The older notice goes before the newer opens, so the newer stands alone with the focus.
    closeNotice(std::exchange(latest->second, 0));
    latest->second = notice(text);
    return latest->second;
}

}  // namespace ruz

#include "platform/tray.h"

namespace ruz {

bool RecordedTray::notifyIcon(std::uint32_t message, const NotifyIconData& data) {
    if (message == kNimAdd) {
        ++addCalls_;
        if (present_) {
            ++refusedCalls_;
            return false;
        }
        present_ = true;
        record_ = data;
        return true;
    }
    if (message == kNimDelete) {
        if (!present_ || data.uID != record_.uID) {
            ++refusedCalls_;
            return false;
        }
        present_ = false;
        return true;
    }
    ++refusedCalls_;
    return false;
}

}  // namespace ruz

#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace ruz {

inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimDelete = 2;
inline constexpr std::uint32_t kNifMessage = 1;
inline constexpr std::uint32_t kNifIcon = 2;
inline constexpr std::uint32_t kNifTip = 4;
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmLButtonDblClk = 0x0203;

// The shell's notification-area record in its first, 88-byte ANSI form.
struct NotifyIconData {
    std::uint32_t cbSize = 0;
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uint32_t hIcon = 0;
    std::array<char, 64> szTip{};
};
static_assert(sizeof(NotifyIconData) == 88);

// The notification area. The shell refuses a second add of the same icon and the delete of an
// icon that is not there.
class Tray {
  public:
    virtual ~Tray() = default;
    // Shell_NotifyIcon: NIM_ADD or NIM_DELETE with the record; false when the shell refuses.
    virtual bool notifyIcon(std::uint32_t message, const NotifyIconData& data) = 0;
    // Mouse messages that happen on the icon (WM_LBUTTONDBLCLK, ...) are reported here.
    std::function<void(int mouseMessage)> onIconMessage;
};

// Records what the shell was asked to do; the scenario runner and the tests read it back.
class RecordedTray final : public Tray {
  public:
    bool notifyIcon(std::uint32_t message, const NotifyIconData& data) override;
    bool present() const { return present_; }
    const NotifyIconData& record() const { return record_; }
    int addCalls() const { return addCalls_; }
    int refusedCalls() const { return refusedCalls_; }

  private:
    bool present_ = false;
    NotifyIconData record_{};
    int addCalls_ = 0;
    int refusedCalls_ = 0;
};

}  // namespace ruz

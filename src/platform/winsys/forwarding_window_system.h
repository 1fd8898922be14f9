#pragma once

#include "platform/winsys/window_system.h"

namespace ruz::winsys {

// A window system that hands every call to another one, which can be changed between calls: the
// program talks to one of two messengers (the real one's windows, or the rooms of a chat network
// in a window model) through the one reference it holds. The window system handed to must
// outlive its use here.
class ForwardingWindowSystem final : public WindowSystem {
  public:
    explicit ForwardingWindowSystem(WindowSystem& target) : target_(&target) {}

    // The calls from now on go to `target`.
    void forwardTo(WindowSystem& target) { target_ = &target; }
    bool forwardsTo(const WindowSystem& target) const { return target_ == &target; }

    Hwnd findWindow(const char* className) override { return target_->findWindow(className); }
    Hwnd findWindowEx(Hwnd parent, Hwnd childAfter, const char* className) override {
        return target_->findWindowEx(parent, childAfter, className);
    }
    LResult sendMessage(Hwnd window, unsigned message, WParam wParam, LParam lParam) override {
        return target_->sendMessage(window, message, wParam, lParam);
    }
    LResult sendMessageW(Hwnd window, unsigned message, WParam wParam, LParam lParam) override {
        return target_->sendMessageW(window, message, wParam, lParam);
    }
    bool isWindowUnicode(Hwnd window) override { return target_->isWindowUnicode(window); }
    std::optional<std::string> readTextFrom(Hwnd window, std::size_t from,
                                            std::size_t& length) override {
        return target_->readTextFrom(window, from, length);
    }

  private:
    WindowSystem* target_;
};

}  // namespace ruz::winsys

#include "presence/presence.h"

#include "common/constants.h"
#include "scanner/room_scanner.h"

#include <array>
#include <cstdint>
#include <limits>

namespace ruz {

namespace {
constexpr std::u16string_view kReasonPrompt = u"Reason why";
constexpr std::u16string_view kReasonTitle = u"Idle";

// The leading whole number of a text; 0 when it has none.
std::int64_t leadingNumber(std::u16string_view text) {
    constexpr std::int64_t kBase = 10;
    std::int64_t value = 0;
    for (const char16_t c : text) {
        if (!text::isAsciiDigit(c) ||
            value > (std::numeric_limits<std::int64_t>::max() - (kBase - 1)) / kBase) {
            break;
        }
        value = value * kBase + (c - u'0');
    }
    return value;
}
}  // namespace

std::u16string goneIdleNotice(std::u16string_view screenName, std::u16string_view reason) {
    return text::format(u"%1 Has Gone Idle Reason (%2)", screenName, reason);
}

Presence::Presence(Controls controls, Dialogs& dialogs, ChatRoom& room, RoomScanner& chat,
                   std::function<bool()> ended)
    : c_(controls), dialogs_(dialogs), room_(room), chat_(chat), ended_(std::move(ended)) {
    c_.mnuidle.onClick = [this] { idleMenuClicked(); };
    c_.idle.onTick = [this] { idleTick(); };
    c_.chkAntiLag.onClick = [this] { c_.tmrALag.setEnabled(c_.chkAntiLag.value() == 1); };
    c_.tmrALag.onTick = [this] { chat_.readThenEmpty(); };
    for (CheckBox* box :
         {&c_.chkAutoGetSong, &c_.chkRepeat, &c_.chkRandomSong, &c_.chkKeepFromRating}) {
        box->onKeyDown = [this](int keyCode) { optionKeyDown(keyCode); };
    }
}

std::u16string Presence::reason() const {
    return c_.idlereason.caption();
}

void Presence::setReason(std::u16string_view reason) {
    c_.idlereason.setCaption(reason);
}

void Presence::EnterIdle(std::u16string_view reason) {
    setReason(reason);
    if (!c_.idle.enabled()) {
        // Each idle spell counts its minutes from the start.
        c_.minutes.setCaption(u"0");
        c_.idle.setEnabled(true);
    }
}

void Presence::LeaveIdle() {
    c_.idle.setEnabled(false);
}

void Presence::idleMenuClicked() {
    if (IsIdle()) {
        LeaveIdle();
        return;
    }
    const std::u16string reason =
        dialogs_.prompt(kReasonPrompt, kReasonTitle).value_or(std::u16string());
    if (ended_()) {
        return;
    }
    EnterIdle(reason);
    room_.send(goneIdleNotice(c_.lblsn.caption(), this->reason()));
}

void Presence::idleTick() {
    const std::u16string count = text::number(leadingNumber(c_.minutes.caption()) + 1);
    c_.minutes.setCaption(count);
    room_.send(text::format(u"Idle for (%1 Minutes) Reason (%2)", count, reason()));
}

void Presence::optionKeyDown(int keyCode) {
    // Two keys a box, in the boxes' order: the first checks it, the second unchecks it.
    const std::array<CheckBox*, 4> boxes = {&c_.chkAutoGetSong, &c_.chkRepeat, &c_.chkRandomSong,
                                            &c_.chkKeepFromRating};
    const int offset = keyCode - kKeyF1;
    if (offset < 0 || offset >= static_cast<int>(boxes.size()) * 2) {
        return;
    }
    boxes[offset / 2]->setValue(offset % 2 == 0 ? 1 : 0);
}

}  // namespace ruz

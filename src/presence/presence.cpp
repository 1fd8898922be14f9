#include "presence/presence.h"

#include "common/constants.h"
#include "qt/qt_text.h"
#include "scanner/room_scanner.h"

#include <array>
#include <limits>

namespace ruz {

namespace {
constexpr char16_t kReasonPrompt[] = u"Reason why";
constexpr char16_t kReasonTitle[] = u"Idle";

// The leading whole number of a text; 0 when it has none.
qint64 leadingNumber(const QString& text) {
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9' || value > (std::numeric_limits<qint64>::max() - 9) / 10) {
            break;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}
}  // namespace

QString goneIdleNotice(const QString& screenName, const QString& reason) {
    return screenName + QStringLiteral(" Has Gone Idle Reason (") + reason + u')';
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

void Presence::EnterIdle(const QString& reason) {
    c_.idlereason.setCaption(fromQString(reason));
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
    const QString reason =
        toQString(dialogs_.prompt(kReasonPrompt, kReasonTitle).value_or(std::u16string()));
    if (ended_()) {
        return;
    }
    EnterIdle(reason);
    room_.send(goneIdleNotice(toQString(c_.lblsn.caption()), toQString(c_.idlereason.caption())));
}

void Presence::idleTick() {
    const QString count = QString::number(leadingNumber(toQString(c_.minutes.caption())) + 1);
    c_.minutes.setCaption(fromQString(count));
    room_.send(QStringLiteral("Idle for (") + count + QStringLiteral(" Minutes) Reason (") +
               toQString(c_.idlereason.caption()) + u')');
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

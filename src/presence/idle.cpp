// Idle and away: the gone-idle notice and a reminder every minute until the user is back.
#include "app/frmamp.h"

#include <limits>

namespace ruz {

namespace {
const QString kReasonPrompt = QStringLiteral("Reason why");
const QString kReasonTitle = QStringLiteral("Idle");

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

QString GoneIdleNotice(const QString& screenName, const QString& reason) {
    return screenName + QStringLiteral(" Has Gone Idle Reason (") + reason + u')';
}

void FrmAmp::EnterIdle(const QString& reason) {
    idlereason.setCaption(reason);
    if (!idle.enabled()) {
        // Each idle spell counts its minutes from the start.
        minutes.setCaption(QStringLiteral("0"));
        idle.setEnabled(true);
    }
}

void FrmAmp::LeaveIdle() {
    idle.setEnabled(false);
}

bool FrmAmp::IsIdle() const {
    return idle.enabled();
}

void FrmAmp::IdleMenuClicked() {
    if (IsIdle()) {
        LeaveIdle();
        return;
    }
    const QString reason = platform.dialogs.prompt(kReasonPrompt, kReasonTitle).value_or(QString());
    if (ended_) {
        return;
    }
    EnterIdle(reason);
    SendChatText(GoneIdleNotice(lblsn.caption(), idlereason.caption()));
}

void FrmAmp::IdleTick() {
    const QString count = QString::number(leadingNumber(minutes.caption()) + 1);
    minutes.setCaption(count);
    SendChatText(QStringLiteral("Idle for (") + count + QStringLiteral(" Minutes) Reason (") +
                 idlereason.caption() + u')');
}

void FrmAmp::wirePresence() {
    mnuidle.onClick = [this] { IdleMenuClicked(); };
    idle.onTick = [this] { IdleTick(); };
    wireAntiLag();
    wireHotKeys();
}

}  // namespace ruz

#pragma once

#include "platform/controls.h"

#include <QString>

#include <functional>

namespace ruz {

// One delivered chat line: sender, message and time stamp in braces.
struct ChatLine {
    QString whosaid;
    QString whatsaid;
    QString datesaid;
};

// The last line of a transcript tail: from its last "<BR>" (letter case ignored) up to the tail's
// last-but-one character; "" when the tail holds no "<BR>".
QString ExtractLastChatLine(const QString& tail);
// The line without its markup: tags dropped, every ">" removed, the last character never kept.
QString StripChatTags(const QString& line);
// The messenger's character references ("&amp;", "&lt;", "&gt;", "&quot;", "&#NN;") decoded once,
// left to right; a reference it does not know, or a number outside Unicode, stays as written.
QString DecodeCharacterReferences(const QString& text);
// "{" + the time stamp that follows "<!-- (" up to the next ")" + "}".
QString DateSaid(const QString& line);
// Cuts a raw transcript line into sender, message and time stamp.
ChatLine CutChatLine(const QString& line);

// The `chat` control: polls the room's transcript every 500 ms and raises `aimchatscan` once for
// every line that has reached the transcript since, oldest first.
class Chat {
  public:
    static constexpr int kPollIntervalMs = 500;
    // A view shorter than this holds no line.
    static constexpr int kMinTailLength = 3;
    // How much of the view's end is kept to know it again at the next poll.
    static constexpr int kTailLength = 500;

    // Reads the transcript from character `from` on and sets `length` to its whole length.
    using ReadFrom = std::function<QString(qsizetype from, qsizetype& length)>;
    // `window`, when given, is the registry of the window that holds `chat_tymer`.
    Chat(TimerHost& host, ReadFrom readFrom, ControlRegistry* window = nullptr);

    // Switches polling on; the current transcript becomes the baseline.
    void scan_on();
    void scan_off();
    // One poll, as on every tick of `chat_tymer`.
    void poll();
    // The program has emptied the view: whatever it holds next is new.
    void viewEmptied();

    Timer chat_tymer;
    QString fyrsttalk;
    QString newlastlyne;
    QString oldlastlyne;
    std::function<void(QString& whosaid, QString& whatsaid, QString& datesaid)> aimchatscan;

  private:
    void deliver(const QString& line);

    ReadFrom readFrom_;
    // How much of the view has been read, and the end of what was read.
    qsizetype seenLength_ = 0;
    QString seenEnd_;
    bool polling_ = false;
};

}  // namespace ruz

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

// The `chat` control: polls the room's transcript tail every 500 ms and raises `aimchatscan` once
// for every new last line.
class Chat {
  public:
    static constexpr int kPollIntervalMs = 500;
    // A tail shorter than this holds no line.
    static constexpr int kMinTailLength = 3;

    // `window`, when given, is the registry of the window that holds `chat_tymer`.
    Chat(TimerHost& host, std::function<QString()> readTail, ControlRegistry* window = nullptr);

    // Switches polling on; the current tail becomes the baseline.
    void scan_on();
    void scan_off();
    // One poll, as on every tick of `chat_tymer`.
    void poll();

    Timer chat_tymer;
    QString fyrsttalk;
    QString newlastlyne;
    QString oldlastlyne;
    std::function<void(QString& whosaid, QString& whatsaid, QString& datesaid)> aimchatscan;

  private:
    std::function<QString()> readTail_;
};

}  // namespace ruz

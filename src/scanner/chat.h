#pragma once

#include "platform/controls.h"

#include <QString>
#include <QStringList>
#include <QStringView>

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

// The lines of `markup` that begin in it: each from its "<BR>" (letter case ignored) up to the next
// one or the end; text before the first "<BR>" is no line of its own.
QStringList SplitChatLines(QStringView markup);

// A text that grows at its end, such as a room's transcript, followed by its new part alone: only
// the end of what was read last is kept, to know the text again at the next read.
class GrowingText {
  public:
    // Reads the text from character `from` on and sets `length` to its whole length.
    using ReadFrom = std::function<QString(qsizetype from, qsizetype& length)>;
    struct Read {
        bool continued = false;   // what was read last is still the text's start
        QString text;             // the text from the kept end on (continued), or that read anew
        qsizetype length = 0;     // the whole text's length
        qsizetype freshFrom = 0;  // where in `text` the new part begins
        QStringView fresh() const { return QStringView(text).mid(freshFrom); }
    };

    explicit GrowingText(qsizetype keptEnd) : keptEnd_(keptEnd) {}
    // Reads from the kept end on. A text that has lost lines from its start is followed from the
    // kept end where it now stands; one that does not continue what was read last (emptied or
    // replaced) is read anew from `restartFrom(length)`.
    Read read(const ReadFrom& readFrom,
              const std::function<qsizetype(qsizetype length)>& restartFrom) const;
    // What was read, up to `length`, ending in `text`, is now the baseline.
    void moveTo(const QString& text, qsizetype length);
    // Whatever the text holds next is new.
    void restart() { moveTo(QString(), 0); }
    const QString& end() const { return end_; }

  private:
    qsizetype keptEnd_;
    qsizetype length_ = 0;
    QString end_;
};

// The `chat` control: polls the room's transcript every 500 ms and raises `aimchatscan` once for
// every line that has reached the transcript since, oldest first.
class Chat {
  public:
    static constexpr int kPollIntervalMs = 500;
    // A view shorter than this holds no line.
    static constexpr int kMinTailLength = 3;
    // How much of the view's end is kept to know it again at the next poll.
    static constexpr int kTailLength = 500;

    using ReadFrom = GrowingText::ReadFrom;
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
    // What of the view has been read.
    GrowingText seen_{kTailLength};
    bool polling_ = false;
};

}  // namespace ruz

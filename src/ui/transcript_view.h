#pragma once

#include "qt/qt_text.h"
#include "scanner/room_scanner.h"

#include <QPlainTextEdit>
#include <QString>

#include <functional>

namespace ruz::ui {

// A room's transcript as the messenger shows it: one line a line, the time grey, the sender bold
// blue, the message as typed. The markup is read, never rendered: nothing a line says is loaded or
// laid out as markup. Only what is new is appended, and the view keeps the newest
// kScrollbackLines lines, and a few hundred more at times (the transcript itself is the
// messenger's). The view follows the newest line while the user is at the bottom.
class TranscriptView final : public QPlainTextEdit {
  public:
    static constexpr int kScrollbackLines = 2000;
    // The end of what was shown, to know the transcript again.
    static constexpr int kKeptEnd = 256;

    using ReadFrom = GrowingText::ReadFrom;

    explicit TranscriptView(QWidget* parent);
    // Shows the room's transcript; what was shown before and is still its start stays, and only
    // the rest is read and added.
    void show(const ReadFrom& read);
    void show(const QString& markup) {
        const std::u16string text = fromQString(markup);
        show([&text](text::Index from, text::Index& length) {
            length = static_cast<text::Index>(text.size());
            return std::u16string(text::mid(text, from));
        });
    }
    // Characters added by the last call of show(), for the checks of the view.
    qsizetype lastAdded() const { return lastAdded_; }

  private:
    void appendLines(std::u16string_view markup);

    GrowingText shown_{kKeptEnd};
    // Whether the view keeps the newest line in sight.
    bool following_ = true;
    qsizetype lastAdded_ = 0;
};

}  // namespace ruz::ui

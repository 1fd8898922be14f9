#include "ui/transcript_view.h"

#include "scanner/chat.h"

#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

namespace ruz::ui {

namespace {
// How many lines beyond the scrollback are let in before the oldest are taken out.
constexpr int kTrimChunk = 500;
const QColor kTimeColour(0x8a, 0x8a, 0x8a);
const QColor kNameColour(0x00, 0x00, 0xff);

struct ShownLine {
    QString time;  // "" when the line has no time stamp
    QString sender;
    QString text;  // the message, or the whole line when it is not a member's
};

// A line of the messenger's markup read for showing: names and messages are escaped in it, so
// neither can close the tags around it.
ShownLine readLine(const QString& raw) {
    static const QRegularExpression memberLine(
        QStringLiteral("^<BR><!-- \\(([^)]*)\\)--><FONT COLOR=\"#0000ff\"><B>(.*?)</B></FONT>"
                       "<FONT COLOR=\"#000000\">: (.*)</FONT>$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = memberLine.match(raw);
    if (m.hasMatch()) {
        return {m.captured(1), DecodeCharacterReferences(m.captured(2)),
                QStringLiteral(": ") + DecodeCharacterReferences(m.captured(3))};
    }
    // Any other line: its text without the tags (the last character is never kept).
    return {DateSaid(raw + u' ').mid(1).chopped(1), QString(),
            DecodeCharacterReferences(StripChatTags(raw + u' '))};
}
}  // namespace

TranscriptView::TranscriptView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The view follows the newest line while the user is at the bottom, and stays where the user
    // has scrolled to otherwise. Long lines are laid out after they are added, so the bottom is
    // known only when the range has grown: every growth takes a following view along.
    QScrollBar* bar = verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (following_) {
            bar->setValue(maximum);
        }
    });
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { following_ = value >= bar->maximum(); });
}

void TranscriptView::show(const ReadFrom& read) {
    lastAdded_ = 0;
    // Emptied, or another room: everything anew.
    const GrowingText::Read text = shown_.read(read, [](qsizetype) { return 0; });
    if (!text.continued) {
        clear();
        following_ = true;
    }
    if (!text.fresh().isEmpty()) {
        appendLines(text.fresh());
    }
    shown_.moveTo(text.text, text.length);
}

void TranscriptView::appendLines(QStringView markup) {
    QTextCharFormat plain;
    QTextCharFormat time;
    time.setForeground(kTimeColour);
    QTextCharFormat name;
    name.setForeground(kNameColour);
    name.setFontWeight(QFont::Bold);

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const QString& raw : SplitChatLines(markup)) {
        const ShownLine line = readLine(raw);
        if (!document()->isEmpty()) {
            cursor.insertBlock();
        }
        if (raw.contains(QStringLiteral("<!-- ("))) {
            cursor.insertText(QStringLiteral("(") + line.time + QStringLiteral(") "), time);
        }
        cursor.insertText(line.sender, name);
        cursor.insertText(line.text, plain);
        lastAdded_ += raw.size();
    }
    // The oldest lines go in chunks, which costs less than one at a time.
    if (document()->blockCount() > kScrollbackLines + kTrimChunk) {
        QTextCursor top(document());
        top.movePosition(QTextCursor::Start);
        top.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                         document()->blockCount() - kScrollbackLines);
        top.removeSelectedText();
    }
    cursor.endEditBlock();
}

}  // namespace ruz::ui

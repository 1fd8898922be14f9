#include "ui/transcript_view.h"

#include "scanner/chat.h"

#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

namespace ruz::ui {

namespace {
const QString kLineBreak = QStringLiteral("<BR>");
// The end of what was shown, to know the transcript again.
constexpr int kKeptEnd = 256;
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
    setMaximumBlockCount(kScrollbackLines);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void TranscriptView::show(const QString& markup) {
    lastAdded_ = 0;
    const qsizetype from = shownLength_ - shownEnd_.size();
    const bool continued = markup.size() >= shownLength_ &&
                           QStringView(markup).mid(from, shownEnd_.size()) == shownEnd_;
    if (!continued) {
        clear();  // emptied, or another room
        shownLength_ = 0;
    }
    if (markup.size() == shownLength_) {
        return;
    }
    // Only whole lines: a line is complete when the next one begins or the transcript ends.
    QStringView fresh = QStringView(markup).mid(continued ? shownLength_ : 0);
    appendLines(fresh);
    shownLength_ = markup.size();
    shownEnd_ = markup.right(kKeptEnd);
}

void TranscriptView::appendLines(QStringView markup) {
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    QTextCharFormat plain;
    QTextCharFormat time;
    time.setForeground(kTimeColour);
    QTextCharFormat name;
    name.setForeground(kNameColour);
    name.setFontWeight(QFont::Bold);

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    qsizetype start = markup.indexOf(kLineBreak, 0, Qt::CaseInsensitive);
    while (start >= 0) {
        const qsizetype next = markup.indexOf(kLineBreak, start + 1, Qt::CaseInsensitive);
        const QString raw =
            markup.mid(start, (next >= 0 ? next : markup.size()) - start).toString();
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
        start = next;
    }
    cursor.endEditBlock();
    if (atBottom) {
        bar->setValue(bar->maximum());
    }
}

}  // namespace ruz::ui

#include "ui/transcript_view.h"

#include "scanner/room_scanner.h"
#include "standin/transcript_markup.h"

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
    const GrowingText::Read text = shown_.read(read, [](text::Index) { return text::Index{0}; });
    if (!text.continued) {
        clear();
        following_ = true;
    }
    if (!text.fresh().empty()) {
        appendLines(text.fresh());
    }
    shown_.moveTo(text.text, text.length);
}

void TranscriptView::appendLines(std::u16string_view markup) {
    QTextCharFormat plain;
    QTextCharFormat time;
    time.setForeground(kTimeColour);
    QTextCharFormat name;
    name.setForeground(kNameColour);
    name.setFontWeight(QFont::Bold);

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const std::u16string& raw : splitChatLines(markup)) {
        // Names and messages are escaped in the markup, so neither can close the tags around it.
        const standin::ReadBack line = standin::readTranscriptLine(text::toUtf8(raw));
        if (!document()->isEmpty()) {
            cursor.insertBlock();
        }
        const QString text = QString::fromStdString(line.text);
        if (line.kind == standin::ReadBack::Kind::Other) {
            cursor.insertText(text, plain);
        } else {
            cursor.insertText(
                QStringLiteral("(") + QString::fromStdString(line.time) + QStringLiteral(") "),
                time);
            cursor.insertText(QString::fromStdString(line.sender), name);
            cursor.insertText(QStringLiteral(": ") + text, plain);
        }
        lastAdded_ += static_cast<qsizetype>(raw.size());
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

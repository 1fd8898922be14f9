#include "common/chat_room.h"

#include "platform/winsys/codepage.h"

#include <algorithm>

namespace ruz {

namespace {
// A sent text as a line of the room reads back: through the view's code page, without ">".
QString asShown(const QString& text) {
    const std::string shown = winsys::cp1252ToUtf8(winsys::utf8ToCp1252(text.toStdString()));
    return QString::fromStdString(shown).remove(u'>');
}
}  // namespace

void ChatRoom::send(const QString& text) {
    const ViewId view = link_.SendChatText(text.toStdString());
    if (text.isEmpty() || view == 0) {
        return;  // the room posts nothing for an empty box, and no room took it
    }
    sent_.push_back({text, asShown(text), view});
    if (sent_.size() > kRememberedLines) {
        sent_.pop_front();
    }
}

bool ChatRoom::takeOwnLine(const QString& message) {
    const auto found = std::find_if(sent_.begin(), sent_.end(), [&](const Sent& sent) {
        return message == sent.text || message == sent.shown;
    });
    if (found == sent_.end()) {
        return false;
    }
    sent_.erase(found);
    return true;
}

void ChatRoom::passedOver(ViewId view) {
    std::erase_if(sent_, [view](const Sent& sent) { return sent.view == view; });
}

ChatRoom::ViewId ChatRoom::clearTranscript() {
    const ViewId view = link_.ClearChatTranscript();
    for (Sent& sent : sent_) {
        sent.emptied = sent.emptied || (view != 0 && sent.view == view);
    }
    return view;
}

std::vector<ChatRoom::ViewId> ChatRoom::transcriptViews() {
    std::erase_if(sent_, [](const Sent& sent) { return sent.emptied; });
    return link_.chatTranscriptViews();
}

QString ChatRoom::transcriptFrom(ViewId view, qsizetype from, qsizetype& length) {
    std::size_t whole = 0;
    const std::string text =
        link_.readTranscriptViewFrom(view, static_cast<std::size_t>(from), &whole);
    length = static_cast<qsizetype>(whole);
    return QString::fromStdString(text);
}

}  // namespace ruz

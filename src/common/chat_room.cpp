#include "common/chat_room.h"

#include "platform/winsys/codepage.h"

#include <algorithm>

namespace ruz {

namespace {
// A sent text as a line of the room reads back: through the view's code page, without ">".
std::u16string asShown(std::u16string_view text) {
    std::u16string shown =
        text::fromUtf8(winsys::cp1252ToUtf8(winsys::utf8ToCp1252(text::toUtf8(text))));
    std::erase(shown, u'>');
    return shown;
}
}  // namespace

void ChatRoom::send(std::u16string_view text) {
    const ViewId view = link_.SendChatText(text::toUtf8(text));
    if (text.empty() || view == 0) {
        return;  // the room posts nothing for an empty box, and no room took it
    }
    sent_.push_back({std::u16string(text), asShown(text), view});
    if (sent_.size() > kRememberedLines) {
        sent_.pop_front();
    }
}

bool ChatRoom::takeOwnLine(std::u16string_view message) {
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

std::u16string ChatRoom::transcriptFrom(ViewId view, text::Index from, text::Index& length) {
    std::size_t whole = 0;
    const std::string utf8 =
        link_.readTranscriptViewFrom(view, static_cast<std::size_t>(from), &whole);
    length = static_cast<text::Index>(whole);
    return text::fromUtf8(utf8);
}

}  // namespace ruz

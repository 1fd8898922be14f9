#include "standin/messenger_standin.h"

#include "standin/transcript_markup.h"

#include "platform/winsys/codepage.h"

#include <algorithm>
#include <utility>

namespace ruz::standin {

using winsys::Hwnd;
using winsys::LParam;
using winsys::LResult;
using winsys::WParam;

MessengerStandIn::MessengerStandIn(winsys::WindowModel& model,
                                   std::function<std::string()> longTimeText)
    : model_(model), longTimeText_(std::move(longTimeText)) {}

MessengerStandIn::~MessengerStandIn() {
    // The handlers refer to this object; the windows may outlive it.
    for (const Room& room : rooms_) {
        model_.setHandler(room.window, nullptr);
        model_.setHandler(room.view, nullptr);
        model_.setHandler(room.input, nullptr);
        model_.setHandler(room.buttons.back(), nullptr);
    }
}

void MessengerStandIn::signOn(std::string name) {
    screenName_ = std::move(name);
}

Hwnd MessengerStandIn::openDialog(const std::string& captionUtf8, bool unicode) {
    return model_.createWindow(
        kDialogClass, unicode ? captionUtf8 : winsys::utf8ToCp1252(captionUtf8), 0, unicode);
}

int MessengerStandIn::openRoom() {
    return addRoom("Chat Room " + std::to_string(roomsOpened_ + 1), false);
}

int MessengerStandIn::openLinkedRoom(const std::string& captionUtf8,
                                     std::function<void(const std::string&)> onPost,
                                     std::size_t keepBytes, bool showOwnLines) {
    const int number = addRoom(captionUtf8, true);
    Room* room = roomNumbered(number);
    room->onPost = std::move(onPost);
    room->keepBytes = keepBytes;
    room->showOwnLines = showOwnLines;
    return number;
}

int MessengerStandIn::addRoom(const std::string& caption, bool unicode) {
    Room room;
    room.number = ++roomsOpened_;
    room.unicode = unicode;
    room.window = model_.createWindow(kRoomClass, caption, 0, unicode);
    const Hwnd viewFrame = model_.createWindow(kEditFrameClass, "", room.window, unicode);
    room.view = model_.createWindow(kEditClass, "", viewFrame, unicode);
    const Hwnd inputFrame = model_.createWindow(kEditFrameClass, "", room.window, unicode);
    room.input = model_.createWindow(kEditClass, "", inputFrame, unicode);
    for (Hwnd& button : room.buttons) {
        button = model_.createWindow(kButtonClass, "", room.window, unicode);
    }

    model_.setHandler(room.window, [this](Hwnd w, unsigned m, WParam wp, LParam lp) {
        return onRoomMessage(w, m, wp, lp);
    });
    const auto onEdit = [this](Hwnd w, unsigned m, WParam wp, LParam lp) {
        return onEditMessage(w, m, wp, lp);
    };
    model_.setHandler(room.view, onEdit);
    model_.setHandler(room.input, onEdit);
    model_.setHandler(room.buttons.back(), [this](Hwnd w, unsigned m, WParam, LParam) {
        return onSendButtonMessage(w, m);
    });

    forgetClosedRooms();
    rooms_.push_back(room);
    changed();
    return room.number;
}

bool MessengerStandIn::frontRoom(int number) {
    forgetClosedRooms();
    const auto it = std::find_if(rooms_.begin(), rooms_.end(),
                                 [number](const Room& r) { return r.number == number; });
    if (it == rooms_.end()) {
        return false;
    }
    model_.bringToFront(it->window);
    changed();
    return true;
}

bool MessengerStandIn::leaveFrontRoom() {
    const Room* room = front();
    if (room == nullptr) {
        return false;
    }
    model_.destroyWindow(room->window);
    forgetClosedRooms();
    changed();
    return true;
}

int MessengerStandIn::openRoomCount() const {
    return static_cast<int>(std::count_if(
        rooms_.begin(), rooms_.end(), [this](const Room& r) { return model_.exists(r.window); }));
}

bool MessengerStandIn::memberSays(const std::string& name, const std::string& textUtf8) {
    const Room* room = front();
    return room != nullptr && memberSaysIn(room->number, name, textUtf8);
}

bool MessengerStandIn::memberSaysIn(int number, const std::string& name,
                                    const std::string& textUtf8) {
    Room* room = roomNumbered(number);
    if (room == nullptr) {
        return false;
    }
    appendLine(*room, native(*room, name), native(*room, textUtf8));
    changed();
    return true;
}

bool MessengerStandIn::roomLineIn(int number, const std::string& textUtf8) {
    Room* room = roomNumbered(number);
    if (room == nullptr) {
        return false;
    }
    const std::string time = native(*room, longTimeText_ ? longTimeText_() : std::string());
    appendMarkup(*room, roomLine(time, native(*room, textUtf8)));
    changed();
    return true;
}

std::vector<int> MessengerStandIn::openRoomNumbers() const {
    std::vector<int> numbers;
    for (const Room& room : rooms_) {
        if (model_.exists(room.window)) {
            numbers.push_back(room.number);
        }
    }
    return numbers;
}

std::string MessengerStandIn::roomCaption(int number) const {
    for (const Room& room : rooms_) {
        if (room.number == number) {
            return model_.textUtf8(room.window);
        }
    }
    return {};
}

std::string MessengerStandIn::roomTranscriptUtf8(int number) const {
    for (const Room& room : rooms_) {
        if (room.number == number && model_.exists(room.view)) {
            return model_.textUtf8(room.view);
        }
    }
    return {};
}

int MessengerStandIn::frontRoomNumber() const {
    const Room* room = front();
    return room != nullptr ? room->number : 0;
}

MessengerStandIn::Room* MessengerStandIn::roomNumbered(int number) {
    forgetClosedRooms();
    const auto it = std::find_if(rooms_.begin(), rooms_.end(),
                                 [number](const Room& r) { return r.number == number; });
    return it != rooms_.end() ? &*it : nullptr;
}

std::string MessengerStandIn::native(const Room& room, const std::string& utf8) const {
    return room.unicode ? utf8 : winsys::utf8ToCp1252(utf8);
}

void MessengerStandIn::appendMarkup(Room& room, const std::string& markup) {
    model_.appendText(room.view, markup);
    room.quietReads = 0;
    if (room.keepBytes == 0) {
        return;
    }
    const std::size_t size = model_.textView(room.view).size();
    const std::size_t read = std::min(room.readBytes, size);
    if (size > kHardLimitFactor * room.keepBytes && read >= 2 * room.keepBytes) {
        // A busy room: what was read goes but its last keepBytes, so that the reader knows the
        // rest again; at most once between two reads, each time at least keepBytes.
        dropLinesBefore(room, read - room.keepBytes, read);
    } else if (size > kUnreadLimitFactor * room.keepBytes) {
        shedUnread(room);
    }
}

void MessengerStandIn::shedUnread(Room& room) {
    static constexpr std::string_view kBreak = "<BR>";
    // What was read goes but its last keepBytes, so that the reader finds its place again.
    const std::size_t read = std::min(room.readBytes, model_.textView(room.view).size());
    if (read > room.keepBytes) {
        dropLinesBefore(room, read - room.keepBytes, read);
    }
    const std::size_t target = kHardLimitFactor * room.keepBytes;
    std::string_view text = model_.textView(room.view);
    const std::size_t unread = text.find(kBreak, std::min(room.readBytes, text.size()));
    if (text.size() > target && unread != std::string_view::npos) {
        // Then the oldest lines not read yet, the user's own excepted: a flood of other members'
        // lines and of the room's notices never takes a line the user said before it is read.
        std::size_t excess = text.size() - target;
        const std::string own = native(room, screenName_);
        std::string kept(text.substr(0, unread));
        for (std::size_t at = unread; at < text.size();) {
            const std::size_t next = std::min(text.find(kBreak, at + 1), text.size());
            const std::string_view line = text.substr(at, next - at);
            at = next;
            if (excess > 0) {
                const ReadBack back = readTranscriptLine(line);
                if (back.kind != ReadBack::Kind::Member || back.sender != own) {
                    excess -= std::min(excess, line.size());
                    continue;
                }
            }
            kept += line;
        }
        model_.setText(room.view, std::move(kept));
        room.units = 0;
        room.unitsAt = 0;
        text = model_.textView(room.view);
    }
    // Only the user's own lines are left past the limit: the oldest go, read or not.
    if (text.size() > kUnreadLimitFactor * room.keepBytes) {
        dropLinesBefore(room, text.size() - target, text.size());
    }
}

void MessengerStandIn::dropLinesBefore(Room& room, std::size_t from, std::size_t upTo) {
    static constexpr std::string_view kBreak = "<BR>";
    const std::string_view text = model_.textView(room.view);
    from = std::min(from, upTo);
    std::size_t cut =
        text.substr(0, std::min(text.size(), upTo + kBreak.size())).find(kBreak, from);
    if (cut == std::string_view::npos) {
        cut = text.rfind(kBreak, from);
    }
    if (cut == std::string_view::npos || cut == 0) {
        return;
    }
    if (room.unicode && room.unitsAt >= cut) {
        room.units -= winsys::utf16Length(text.substr(0, cut));
        room.unitsAt -= cut;
    } else {
        room.units = 0;
        room.unitsAt = 0;
    }
    room.readBytes -= std::min(room.readBytes, cut);
    model_.eraseTextStart(room.view, cut);
}

std::size_t MessengerStandIn::viewUnits(const Room& room, std::string_view text) const {
    if (room.unitsAt > text.size()) {
        room.units = 0;  // replaced from outside
        room.unitsAt = 0;
    }
    // The count moves on to the last ASCII byte: no sequence of more bytes takes one in, so a
    // character starts after it whatever follows.
    std::size_t end = text.size();
    while (end > room.unitsAt && static_cast<unsigned char>(text[end - 1]) >= 0x80) {
        --end;
    }
    room.units += winsys::utf16Length(text.substr(room.unitsAt, end - room.unitsAt));
    room.unitsAt = end;
    return room.units + winsys::utf16Length(text.substr(end));
}

bool MessengerStandIn::appendRaw(const std::string& textUtf8) {
    Room* room = front();
    if (room == nullptr) {
        return false;
    }
    appendMarkup(*room, native(*room, textUtf8));
    changed();
    return true;
}

bool MessengerStandIn::typeInput(const std::string& textUtf8) {
    const Room* room = front();
    if (room == nullptr) {
        return false;
    }
    model_.setText(room->input, native(*room, textUtf8));
    changed();
    return true;
}

bool MessengerStandIn::pressSend() {
    Room* room = front();
    if (room == nullptr) {
        return false;
    }
    postInput(*room);
    return true;
}

std::string MessengerStandIn::transcriptUtf8() const {
    const Room* room = front();
    return room != nullptr ? model_.textUtf8(room->view) : std::string();
}

std::string MessengerStandIn::transcriptUtf8From(std::size_t from, std::size_t& length) const {
    return transcriptFrom(front(), from, length);
}

std::string MessengerStandIn::roomTranscriptUtf8From(int number, std::size_t from,
                                                     std::size_t& length) const {
    const auto it = std::find_if(rooms_.begin(), rooms_.end(), [&](const Room& room) {
        return room.number == number && model_.exists(room.view);
    });
    return transcriptFrom(it != rooms_.end() ? &*it : nullptr, from, length);
}

std::string MessengerStandIn::transcriptFrom(const Room* room, std::size_t from,
                                             std::size_t& length) const {
    length = 0;
    return room != nullptr ? viewUtf8From(*room, from, length) : std::string();
}

std::string MessengerStandIn::viewUtf8From(const Room& room, std::size_t from,
                                           std::size_t& length) const {
    length = 0;
    if (room.unicode) {
        // Characters are UTF-16 units, as a Unicode window counts them; only the part from `from`
        // on is converted.
        const std::string_view text = model_.textView(room.view);
        length = viewUnits(room, text);
        if (from >= length) {
            return {};
        }
        // Back from the counted end to a character's start before unit `from`: a unit takes at
        // least one byte, and an ASCII byte always starts a character.
        std::size_t at = room.unitsAt;
        std::size_t unitsBefore = room.units;
        while (unitsBefore > from && at > 0) {
            const std::size_t back = unitsBefore - from;
            std::size_t start = at > back ? at - back : 0;
            while (start > 0 && static_cast<unsigned char>(text[start]) >= 0x80) {
                --start;
            }
            unitsBefore -= winsys::utf16Length(text.substr(start, at - start));
            at = start;
        }
        return winsys::utf8FromUnit(text.substr(at), from - unitsBefore);
    }
    // One byte a character in the view's code page.
    return winsys::cp1252ToUtf8(model_.textFrom(room.view, from, length));
}

std::string MessengerStandIn::inputUtf8() const {
    const Room* room = front();
    return room != nullptr ? model_.textUtf8(room->input) : std::string();
}

Hwnd MessengerStandIn::frontRoomWindow() const {
    const Room* room = front();
    return room != nullptr ? room->window : 0;
}

bool MessengerStandIn::frontRoomLinked() const {
    const Room* room = front();
    return room != nullptr && room->onPost != nullptr;
}

bool MessengerStandIn::roomLinked(int number) const {
    const auto it = std::find_if(rooms_.begin(), rooms_.end(),
                                 [number](const Room& room) { return room.number == number; });
    return it != rooms_.end() && model_.exists(it->window) && it->onPost != nullptr;
}

const MessengerStandIn::Room* MessengerStandIn::front() const {
    // The z-order decides; dialog windows and foreign windows in between do not count.
    for (const Hwnd window : model_.topLevelWindows()) {
        const auto it = std::find_if(rooms_.begin(), rooms_.end(),
                                     [window](const Room& r) { return r.window == window; });
        if (it != rooms_.end()) {
            return &*it;
        }
    }
    return nullptr;
}

MessengerStandIn::Room* MessengerStandIn::front() {
    return const_cast<Room*>(std::as_const(*this).front());
}

MessengerStandIn::Room* MessengerStandIn::roomOf(Hwnd window) {
    const auto it = std::find_if(rooms_.begin(), rooms_.end(), [window](const Room& r) {
        return r.window == window || r.view == window || r.input == window ||
               r.buttons.back() == window;
    });
    return it != rooms_.end() ? &*it : nullptr;
}

void MessengerStandIn::forgetClosedRooms() {
    std::erase_if(rooms_, [this](const Room& r) { return !model_.exists(r.window); });
}

void MessengerStandIn::appendLine(Room& room, const std::string& sender,
                                  const std::string& message) {
    const std::string time = native(room, longTimeText_ ? longTimeText_() : std::string());
    appendMarkup(room, transcriptLine(time, sender, message));
}

void MessengerStandIn::postInput(Room& room) {
    const std::string message = model_.text(room.input);
    if (message.empty()) {
        return;
    }
    model_.setText(room.input, "");
    if (room.showOwnLines || !room.onPost) {
        appendLine(room, native(room, screenName_), message);
    }
    // A copy: the receiver may open or close rooms.
    const std::function<void(const std::string&)> onPost = room.onPost;
    changed();
    if (onPost) {
        onPost(room.unicode ? message : winsys::cp1252ToUtf8(message));
    }
}

void MessengerStandIn::changed() {
    if (changeListener_) {
        changeListener_();
    }
}

std::optional<LResult> MessengerStandIn::onRoomMessage(Hwnd window, unsigned message, WParam wParam,
                                                       LParam lParam) {
    if (message != winsys::kWmClose) {
        return std::nullopt;
    }
    // The messenger closes the room as if its user had closed the window.
    const LResult result = model_.defaultHandling(window, message, wParam, lParam);
    forgetClosedRooms();
    changed();
    return result;
}

std::optional<LResult> MessengerStandIn::onEditMessage(Hwnd window, unsigned message, WParam wParam,
                                                       LParam lParam) {
    Room* room = roomOf(window);
    const bool view = room != nullptr && room->view == window;
    // A read from a character on (the model's tail read) asks for the length first, as
    // WM_GETTEXTLENGTH does, then reads to the end, as WM_GETTEXT does.
    const bool tailRead = view && message == winsys::WindowModel::kModelGetTextFrom && lParam != 0;
    if (view && (message == winsys::kWmGetTextLength || tailRead) && room->keepBytes > 0 &&
        room->quietReads >= kQuietReadsBeforeCut) {
        // A linked room's transcript is cut back to keepBytes when it has been read twice with
        // nothing new since: everything in it has been read, and the reader is not in the middle
        // of a read that the cut would confuse.
        const std::size_t size = model_.textView(window).size();
        if (size > room->keepBytes) {
            dropLinesBefore(*room, size - room->keepBytes, std::min(size, room->readBytes));
        }
    }
    if (tailRead) {
        room->quietReads = std::min(room->quietReads + 1, kQuietReadsBeforeCut);
        auto* out = reinterpret_cast<winsys::WindowModel::TextFrom*>(lParam);
        out->utf8 = viewUtf8From(*room, wParam, out->length);
        room->readBytes = model_.textView(window).size();
        return 1;
    }
    if (view && message == winsys::kWmGetText) {
        room->quietReads = std::min(room->quietReads + 1, kQuietReadsBeforeCut);
        const LResult copied = model_.defaultHandling(window, message, wParam, lParam);
        room->readBytes = copied > 0 ? static_cast<std::size_t>(copied) : 0;
        return copied;
    }
    if (message != winsys::kWmSetText) {
        return std::nullopt;
    }
    const LResult result = model_.defaultHandling(window, message, wParam, lParam);
    if (view) {
        room->quietReads = 0;
        room->readBytes = 0;
        room->units = 0;
        room->unitsAt = 0;
    }
    changed();
    return result;
}

std::optional<LResult> MessengerStandIn::onSendButtonMessage(Hwnd window, unsigned message) {
    Room* room = roomOf(window);
    if (room == nullptr) {
        return std::nullopt;
    }
    if (message == winsys::kWmLButtonDown) {
        room->sendButtonDown = true;
        return 0;
    }
    if (message == winsys::kWmLButtonUp && room->sendButtonDown) {
        room->sendButtonDown = false;
        sentByProgram_.push_back(model_.textUtf8(room->input));
        postInput(*room);
        return 0;
    }
    return std::nullopt;
}

}  // namespace ruz::standin

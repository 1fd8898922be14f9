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

Hwnd MessengerStandIn::openDialog(const std::string& captionUtf8) {
    return model_.createWindow(kDialogClass, winsys::utf8ToCp1252(captionUtf8));
}

int MessengerStandIn::openRoom() {
    Room room;
    room.number = ++roomsOpened_;
    room.window = model_.createWindow(kRoomClass, "Chat Room " + std::to_string(room.number));
    const Hwnd viewFrame = model_.createWindow(kEditFrameClass, "", room.window);
    room.view = model_.createWindow(kEditClass, "", viewFrame);
    const Hwnd inputFrame = model_.createWindow(kEditFrameClass, "", room.window);
    room.input = model_.createWindow(kEditClass, "", inputFrame);
    for (Hwnd& button : room.buttons) {
        button = model_.createWindow(kButtonClass, "", room.window);
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
    if (room == nullptr) {
        return false;
    }
    appendLine(*room, winsys::utf8ToCp1252(name), winsys::utf8ToCp1252(textUtf8));
    changed();
    return true;
}

bool MessengerStandIn::appendRaw(const std::string& textUtf8) {
    const Room* room = front();
    if (room == nullptr) {
        return false;
    }
    model_.setText(room->view, model_.text(room->view) + winsys::utf8ToCp1252(textUtf8));
    changed();
    return true;
}

bool MessengerStandIn::typeInput(const std::string& textUtf8) {
    const Room* room = front();
    if (room == nullptr) {
        return false;
    }
    model_.setText(room->input, winsys::utf8ToCp1252(textUtf8));
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
    return room != nullptr ? winsys::cp1252ToUtf8(model_.text(room->view)) : std::string();
}

std::string MessengerStandIn::transcriptUtf8From(std::size_t from, std::size_t& length) const {
    const Room* room = front();
    length = 0;
    // One byte a character in the view's code page.
    return room != nullptr ? winsys::cp1252ToUtf8(model_.textFrom(room->view, from, length))
                           : std::string();
}

std::string MessengerStandIn::inputUtf8() const {
    const Room* room = front();
    return room != nullptr ? winsys::cp1252ToUtf8(model_.text(room->input)) : std::string();
}

Hwnd MessengerStandIn::frontRoomWindow() const {
    const Room* room = front();
    return room != nullptr ? room->window : 0;
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

void MessengerStandIn::appendLine(const Room& room, const std::string& sender,
                                  const std::string& message) {
    const std::string time = winsys::utf8ToCp1252(longTimeText_ ? longTimeText_() : std::string());
    model_.setText(room.view, model_.text(room.view) + TranscriptLine(time, sender, message));
}

void MessengerStandIn::postInput(Room& room) {
    const std::string message = model_.text(room.input);
    if (message.empty()) {
        return;
    }
    model_.setText(room.input, "");
    appendLine(room, winsys::utf8ToCp1252(screenName_), message);
    changed();
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
    if (message != winsys::kWmSetText) {
        return std::nullopt;
    }
    const LResult result = model_.defaultHandling(window, message, wParam, lParam);
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
        sentByProgram_.push_back(winsys::cp1252ToUtf8(model_.text(room->input)));
        postInput(*room);
        return 0;
    }
    return std::nullopt;
}

}  // namespace ruz::standin

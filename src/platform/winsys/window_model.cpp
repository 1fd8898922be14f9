#include "platform/winsys/window_model.h"

#include "platform/winsys/codepage.h"

#include <algorithm>
#include <cstring>

namespace ruz::winsys {

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A null class name matches every window, as with user32.
bool classMatches(const std::string& windowClass, const char* wanted) {
    if (wanted == nullptr) {
        return true;
    }
    const std::size_t length = std::strlen(wanted);
    if (length != windowClass.size()) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (asciiLower(windowClass[i]) != asciiLower(wanted[i])) {
            return false;
        }
    }
    return true;
}

constexpr Hwnd kHandleStep = 4;

// The answer to WM_GETTEXTLENGTH or WM_GETTEXT with `text` in the caller's kind of characters:
// its length, or as much of it as the caller's buffer of wParam characters holds, NUL-ended.
template <typename Text>
LResult answerText(const Text& text, unsigned message, WParam wParam, LParam lParam) {
    if (message == kWmGetTextLength) {
        return static_cast<LResult>(text.size());
    }
    if (wParam == 0 || lParam == 0) {
        return 0;
    }
    const std::size_t count = std::min<std::size_t>(wParam - 1, text.size());
    auto* buffer = reinterpret_cast<typename Text::value_type*>(lParam);
    std::copy_n(text.data(), count, buffer);
    buffer[count] = typename Text::value_type{};
    return static_cast<LResult>(count);
}

}  // namespace

const WindowModel::Window* WindowModel::find(Hwnd window) const {
    const auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

WindowModel::Window* WindowModel::find(Hwnd window) {
    const auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

Hwnd WindowModel::findWindow(const char* className) {
    for (const Hwnd window : zOrder_) {
        if (classMatches(find(window)->className, className)) {
            return window;
        }
    }
    return 0;
}

Hwnd WindowModel::findWindowEx(Hwnd parent, Hwnd childAfter, const char* className) {
    const std::vector<Hwnd>* list = &zOrder_;  // parent 0: the top-level windows
    if (parent != 0) {
        const Window* p = find(parent);
        if (p == nullptr) {
            return 0;
        }
        list = &p->children;
    }
    auto it = list->begin();
    if (childAfter != 0) {
        it = std::find(list->begin(), list->end(), childAfter);
        if (it == list->end()) {
            return 0;  // not a child of `parent`
        }
        ++it;
    }
    for (; it != list->end(); ++it) {
        if (classMatches(find(*it)->className, className)) {
            return *it;
        }
    }
    return 0;
}

void WindowModel::record(Hwnd window, unsigned message, WParam wParam, LParam lParam, bool wide) {
    if (!recording_) {
        return;
    }
    Message entry{window, message, wParam, lParam, {}, wide};
    if (message == kWmSetText && lParam != 0) {
        entry.text = wide ? utf16ToUtf8(reinterpret_cast<const char16_t*>(lParam))
                          : std::string(reinterpret_cast<const char*>(lParam));
    }
    messages_.push_back(std::move(entry));
}

LResult WindowModel::sendMessage(Hwnd window, unsigned message, WParam wParam, LParam lParam) {
    record(window, message, wParam, lParam, false);
    const Window* w = find(window);
    if (w == nullptr) {
        return 0;
    }
    return w->unicode ? convertedDispatch(window, message, wParam, lParam, false)
                      : dispatch(window, message, wParam, lParam);
}

LResult WindowModel::sendMessageW(Hwnd window, unsigned message, WParam wParam, LParam lParam) {
    record(window, message, wParam, lParam, true);
    if (find(window) == nullptr) {
        return 0;
    }
    return convertedDispatch(window, message, wParam, lParam, true);
}

LResult WindowModel::convertedDispatch(Hwnd window, unsigned message, WParam wParam, LParam lParam,
                                       bool wide) {
    const bool unicode = find(window)->unicode;
    if (message == kWmSetText) {
        if (lParam == 0) {
            return dispatch(window, message, wParam, 0);
        }
        std::string utf8 = wide ? utf16ToUtf8(reinterpret_cast<const char16_t*>(lParam))
                                : cp1252ToUtf8(reinterpret_cast<const char*>(lParam));
        const std::string own = unicode ? std::move(utf8) : utf8ToCp1252(utf8);
        return dispatch(window, message, wParam, reinterpret_cast<LParam>(own.c_str()));
    }
    if (message != kWmGetText && message != kWmGetTextLength) {
        return dispatch(window, message, wParam, lParam);
    }
    // The message goes to the window once, in its own kind of text; the answer is converted.
    std::string own;
    if (message == kWmGetTextLength) {
        dispatch(window, kWmGetTextLength, 0, 0);
        if (const Window* w = find(window)) {
            own = w->text;
        }
    } else {
        const Window* w = find(window);
        own.assign(w->text.size() + 1, '\0');
        const LResult copied =
            dispatch(window, kWmGetText, own.size(), reinterpret_cast<LParam>(own.data()));
        own.resize(copied > 0 ? std::min(static_cast<std::size_t>(copied), own.size() - 1) : 0);
    }
    const std::string utf8 = unicode ? own : cp1252ToUtf8(own);
    return wide ? answerText(utf8ToUtf16(utf8), message, wParam, lParam)
                : answerText(utf8ToCp1252(utf8), message, wParam, lParam);
}

LResult WindowModel::dispatch(Hwnd window, unsigned message, WParam wParam, LParam lParam) {
    Window* w = find(window);
    if (w == nullptr) {
        return 0;
    }
    if (w->handler) {
        // A copy: the handler may destroy its own window, and the stored function with it.
        const Handler handler = w->handler;
        if (const std::optional<LResult> result = handler(window, message, wParam, lParam)) {
            return *result;
        }
    }
    return defaultHandling(window, message, wParam, lParam);
}

LResult WindowModel::defaultHandling(Hwnd window, unsigned message, WParam wParam, LParam lParam) {
    Window* w = find(window);
    if (w == nullptr) {
        return 0;
    }
    switch (message) {
        case kWmSetText:
            w->text = lParam != 0 ? std::string(reinterpret_cast<const char*>(lParam)) : "";
            return 1;
        case kWmGetTextLength:
            return static_cast<LResult>(w->text.size());
        case kWmGetText: {
            if (wParam == 0 || lParam == 0) {
                return 0;
            }
            const std::size_t count = std::min<std::size_t>(wParam - 1, w->text.size());
            char* buffer = reinterpret_cast<char*>(lParam);
            std::memcpy(buffer, w->text.data(), count);
            buffer[count] = '\0';
            charactersRead_ += count;
            return static_cast<LResult>(count);
        }
        case kModelGetTextFrom: {
            if (lParam == 0) {
                return 0;
            }
            auto* out = reinterpret_cast<TextFrom*>(lParam);
            const std::size_t from = wParam;
            if (w->unicode) {
                out->length = utf16Length(w->text);
                out->utf8 = from < out->length ? utf8FromUnit(w->text, from) : std::string();
            } else {
                out->length = w->text.size();
                out->utf8 = from < out->length
                                ? cp1252ToUtf8(std::string_view(w->text).substr(from))
                                : std::string();
            }
            return 1;
        }
        case kWmClose:
            destroyWindow(window);
            return 0;
        default:
            return 0;
    }
}

std::optional<std::string> WindowModel::readTextFrom(Hwnd window, std::size_t from,
                                                     std::size_t& length) {
    record(window, kModelGetTextFrom, from, 0, false);
    length = 0;
    const Window* w = find(window);
    if (w == nullptr) {
        return std::string();
    }
    TextFrom text;
    const auto answer = reinterpret_cast<LParam>(&text);
    if (w->handler) {
        // A copy: the handler may destroy its own window, and the stored function with it.
        const Handler handler = w->handler;
        if (!handler(window, kModelGetTextFrom, from, answer)) {
            // A window that answers for its text itself, but not for a part of it: read whole.
            return std::nullopt;
        }
    } else {
        defaultHandling(window, kModelGetTextFrom, from, answer);
    }
    length = text.length;
    charactersRead_ += from < text.length ? text.length - from : 0;
    return std::move(text.utf8);
}

Hwnd WindowModel::createWindow(const std::string& className, const std::string& text, Hwnd parent,
                               bool unicode) {
    Window* p = nullptr;
    if (parent != 0) {
        p = find(parent);
        if (p == nullptr) {
            return 0;
        }
    }
    const Hwnd handle = nextHandle_;
    nextHandle_ += kHandleStep;
    if (p != nullptr) {
        p->children.push_back(handle);
    } else {
        zOrder_.insert(zOrder_.begin(), handle);
    }
    windows_.emplace(handle, Window{className, text, parent, {}, {}, unicode});
    return handle;
}

bool WindowModel::destroyWindow(Hwnd window) {
    Window* w = find(window);
    if (w == nullptr) {
        return false;
    }
    // Children first, last to first; each removes itself from this window's list.
    while (!w->children.empty()) {
        destroyWindow(w->children.back());
        w = find(window);
    }
    std::vector<Hwnd>& siblings = w->parent != 0 ? find(w->parent)->children : zOrder_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    windows_.erase(window);
    return true;
}

bool WindowModel::bringToFront(Hwnd window) {
    const auto it = std::find(zOrder_.begin(), zOrder_.end(), window);
    if (it == zOrder_.end()) {
        return false;
    }
    std::rotate(zOrder_.begin(), it, it + 1);
    return true;
}

bool WindowModel::setHandler(Hwnd window, Handler handler) {
    Window* w = find(window);
    if (w == nullptr) {
        return false;
    }
    w->handler = std::move(handler);
    return true;
}

bool WindowModel::exists(Hwnd window) const {
    return find(window) != nullptr;
}

std::string WindowModel::className(Hwnd window) const {
    const Window* w = find(window);
    return w != nullptr ? w->className : std::string();
}

std::string WindowModel::text(Hwnd window) const {
    const Window* w = find(window);
    return w != nullptr ? w->text : std::string();
}

std::string WindowModel::textFrom(Hwnd window, std::size_t from, std::size_t& length) const {
    const Window* w = find(window);
    length = w != nullptr ? w->text.size() : 0;
    return w != nullptr && from < w->text.size() ? w->text.substr(from) : std::string();
}

bool WindowModel::setText(Hwnd window, std::string text) {
    Window* w = find(window);
    if (w == nullptr) {
        return false;
    }
    w->text = std::move(text);
    return true;
}

std::string_view WindowModel::textView(Hwnd window) const {
    const Window* w = find(window);
    return w != nullptr ? std::string_view(w->text) : std::string_view();
}

bool WindowModel::appendText(Hwnd window, std::string_view bytes) {
    Window* w = find(window);
    if (w == nullptr) {
        return false;
    }
    w->text += bytes;
    return true;
}

bool WindowModel::eraseTextStart(Hwnd window, std::size_t count) {
    Window* w = find(window);
    if (w == nullptr) {
        return false;
    }
    w->text.erase(0, std::min(count, w->text.size()));
    return true;
}

bool WindowModel::isUnicode(Hwnd window) const {
    const Window* w = find(window);
    return w != nullptr && w->unicode;
}

std::string WindowModel::textUtf8(Hwnd window) const {
    const Window* w = find(window);
    if (w == nullptr) {
        return {};
    }
    return w->unicode ? w->text : cp1252ToUtf8(w->text);
}

bool WindowModel::setTextUtf8(Hwnd window, std::string_view utf8) {
    Window* w = find(window);
    if (w == nullptr) {
        return false;
    }
    w->text = w->unicode ? std::string(utf8) : utf8ToCp1252(utf8);
    return true;
}

Hwnd WindowModel::parent(Hwnd window) const {
    const Window* w = find(window);
    return w != nullptr ? w->parent : 0;
}

std::vector<Hwnd> WindowModel::children(Hwnd parent) const {
    const Window* w = find(parent);
    return w != nullptr ? w->children : std::vector<Hwnd>();
}

}  // namespace ruz::winsys

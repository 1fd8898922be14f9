#include "desktop/player_window.h"

#include "text/text.h"

#include <string>
#include <string_view>

namespace ruz::desktop {

namespace {

constexpr int kSecondsPerMinute = 60;
constexpr int kTwoDigits = 10;
constexpr std::u16string_view kTrailingWord = u"ccom";

constexpr OptionBox kOptionBoxes[] = {
    {&FrmAmp::chkAutoGetSong, u"Auto get song", 0, 0, 1},
    {&FrmAmp::chkRepeat, u"Repeat song", 0, 1, 1},
    {&FrmAmp::chkRandomSong, u"Shuffle", 0, 2, 1},
    {&FrmAmp::chkKeepFromRating, u"Keep from rating", 1, 0, 2},
    {&FrmAmp::chkAntiLag, u"Anti-lag", 1, 2, 1},
};

constexpr OptionEntry kOptionEntries[] = {{&FrmAmp::mnuhelp, u'C'},
                                          {&FrmAmp::mnuGetSong, u'A'},
                                          {&FrmAmp::mnuidle, u'I'},
                                          {&FrmAmp::mnuMinimize, u'M'},
                                          {&FrmAmp::mnuDefaults, u'R'}};

constexpr ActionRow kCommands[] = {
    {Action::PlayOrPause, u"Play or pause", u'P', u' ', false, u"Pauses the song, or plays it"},
    {Action::OpenFolder, u"Open Folder...", u'O', u'O', true,
     u"Picks the folder whose songs are played"},
    {Action::Quit, u"Quit", u'Q', u'Q', true, u"Ends Taviks Ruz"},
};

std::u16string number(int value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

char16_t upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

}  // namespace

std::span<const OptionBox> optionBoxes() {
    return kOptionBoxes;
}

std::u16string optionKeysTip(std::size_t index) {
    const auto firstKey = static_cast<int>(2 * index + 1);
    if (index >= std::size(kOptionBoxes) || firstKey > kOptionKeyCount) {
        return {};
    }
    std::u16string tip = kOptionBoxes[index].caption;
    tip += u": F";
    tip += number(firstKey);
    tip += u" on, F";
    tip += number(firstKey + 1);
    tip += u" off, while an option box has the focus";
    return tip;
}

std::span<const OptionEntry> optionEntries() {
    return kOptionEntries;
}

std::span<const ActionRow> actionRows() {
    return kCommands;
}

std::u16string keyName(const ActionRow& row) {
    std::u16string name = row.control ? u"Ctrl+" : u"";
    name += row.key == u' ' ? std::u16string(u"Space") : std::u16string(1, row.key);
    return name;
}

void run(Action action, FrmAmp& amp) {
    switch (action) {
        case Action::PlayOrPause:
            if (amp.MediaPlayer1.playState() == PlayState::Playing) {
                amp.Image3.click();
            } else {
                amp.Image7.click();
            }
            return;
        case Action::OpenFolder:
            amp.Image8.click();
            return;
        case Action::Quit:
            amp.Form_Unload();
            return;
    }
}

std::u16string withAccessKey(std::u16string_view caption, char16_t key) {
    std::u16string out;
    bool marked = false;
    for (const char16_t c : caption) {
        if (c == u'&') {
            out += u'&';
        } else if (!marked && upper(c) == upper(key)) {
            out += u'&';
            marked = true;
        }
        out += c;
    }
    return out;
}

std::u16string boxCaption(const TextBox& box) {
    std::u16string caption = box.toolTip().substr(0, box.toolTip().find(u':'));
    const auto trimEnd = [&caption] {
        while (!caption.empty() && (caption.back() == u' ' || caption.back() == u'\t')) {
            caption.pop_back();
        }
    };
    trimEnd();
    if (caption.size() >= kTrailingWord.size() &&
        text::equalsIgnoringCase(
            std::u16string_view(caption).substr(caption.size() - kTrailingWord.size()),
            kTrailingWord)) {
        caption.resize(caption.size() - kTrailingWord.size());
        trimEnd();
    }
    return caption.empty() ? box.name() : caption;
}

std::u16string clockText(int seconds) {
    const int whole = seconds < 0 ? -seconds : seconds;
    const int rest = whole % kSecondsPerMinute;
    std::u16string text = seconds < 0 ? u"-" : u"";
    text += number(whole / kSecondsPerMinute);
    text += rest < kTwoDigits ? u":0" : u":";
    text += number(rest);
    return text;
}

std::u16string timeText(const Slider& position) {
    return clockText(position.value()) + u" / " + clockText(position.max());
}

}  // namespace ruz::desktop

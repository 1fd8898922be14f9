#include "words/ccoms.h"

namespace ruz {

namespace {

struct WordRow {
    Word word;
    const char16_t* name;
    const char16_t* text;
    const char16_t* toolTip;
};

// The boxes of the window in their order, with their names and design values.
constexpr WordRow kWordRows[] = {
    {Word::Trigger, u"Customccom", u".", u"Trigger"},
    {Word::Volume, u"ccomvol", u"vol", u"Volume ccom"},
    {Word::SetPosition, u"set", u"set", u"Set Current Position ccom"},
    {Word::IdleOn, u"ccomidleon", u"idle", u"Idle On ccom"},
    {Word::IdleOff, u"ccomidleoff", u",idle", u"Idle Off ccom"},
    {Word::Clear, u"ccomclear", u"clear", u"Clear Chat ccom"},
    {Word::Close, u"ccomclose", u"close", u"Close ccom"},
    {Word::End, u"ccomend", u"end", u"End Ruz ccom"},
    {Word::Hide, u"ccomhide", u"hide", u"Hide Ruz Ccom"},
    {Word::SendsOff, u"ccomsoff", u",cs", u"Chat Send Off ccom"},
    {Word::SendsOn, u"ccomson", u".cs", u"Chat Send On ccom"},
    {Word::Help, u"ccomhelp", u"help", u"Help ccom"},
    {Word::Show, u"ccomshow", u"show", u"Show Ruz ccom"},
    {Word::Stop, u"ccomstop", u"stop", u"Stop ccom"},
    {Word::Back, u"ccomback", u"back", u"Back ccom"},
    {Word::Skip, u"ccomskip", u"skip", u"Skip ccom"},
    {Word::Last, u"ccomlast", u"last", u"Last Song ccom"},
    {Word::First, u"ccomfirst", u"first", u"First Song ccom"},
    {Word::Forward, u"fwd", u"fwd", u"Forward ccom"},
    {Word::Rewind, u"rev", u"rev", u"Reverse ccom"},
    {Word::Pause, u"ccompause", u"pause", u"Pause ccom"},
    {Word::Mute, u"ccommute", u"mute", u"Mute ccom"},
    {Word::RandomSong, u"ccomron", u"r", u"Random Song ccom"},
    {Word::Play, u"ccomplay", u"play", u"Play ccom"},
    {Word::Announcement, u"chatsend", u"\u2020-%a - %s - %t - %d-\u2020",
     u"Chat Send: the song's announcement; %a is the artist, %s the song, %t the time, %d the "
     u"date"},
};

// Each word has its row, in the order of the words.
constexpr bool rowsFollowWords() {
    int i = 0;
    for (const WordRow& row : kWordRows) {
        if (static_cast<int>(row.word) != i++) {
            return false;
        }
    }
    return i == kWordCount;
}
static_assert(rowsFollowWords());

const WordRow& rowOf(Word word) {
    return kWordRows[static_cast<int>(word)];
}

}  // namespace

std::u16string Ccoms::defaultText(Word word) {
    return rowOf(word).text;
}

std::u16string Ccoms::boxName(Word word) {
    return rowOf(word).name;
}

Ccoms::Ccoms()
    : window({controls_, u"Ccoms"}, u"Ccoms"),
      Image26({controls_, u"Image26"}),
      Image27({controls_, u"Image27"}) {
    for (const WordRow& row : kWordRows) {
        auto& box = boxes_[static_cast<int>(row.word)];
        box = std::make_unique<TextBox>(ControlName(controls_, row.name), row.text);
        box->setToolTip(row.toolTip);
    }
}

}  // namespace ruz

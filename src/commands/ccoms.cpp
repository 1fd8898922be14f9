#include "commands/ccoms.h"

namespace ruz {

namespace {

struct WordRow {
    const char16_t* name;
    const char16_t* text;
    const char16_t* toolTip;
};

// The boxes of the window in their order, with their design values.
constexpr WordRow kWordRows[] = {
    {u"Customccom", u".", u"Trigger"},
    {u"ccomvol", u"vol", u"Volume ccom"},
    {u"set", u"set", u"Set Current Position ccom"},
    {u"ccomidleon", u"idle", u"Idle On ccom"},
    {u"ccomidleoff", u",idle", u"Idle Off ccom"},
    {u"ccomclear", u"clear", u"Clear Chat ccom"},
    {u"ccomclose", u"close", u"Close ccom"},
    {u"ccomend", u"end", u"End Ruz ccom"},
    {u"ccomhide", u"hide", u"Hide Ruz Ccom"},
    {u"ccomsoff", u",cs", u"Chat Send Off ccom"},
    {u"ccomson", u".cs", u"Chat Send On ccom"},
    {u"ccomhelp", u"help", u"Help ccom"},
    {u"ccomshow", u"show", u"Show Ruz ccom"},
    {u"ccomstop", u"stop", u"Stop ccom"},
    {u"ccomback", u"back", u"Back ccom"},
    {u"ccomskip", u"skip", u"Skip ccom"},
    {u"ccomlast", u"last", u"Last Song ccom"},
    {u"ccomfirst", u"first", u"First Song ccom"},
    {u"fwd", u"fwd", u"Forward ccom"},
    {u"rev", u"rev", u"Reverse ccom"},
    {u"ccompause", u"pause", u"Pause ccom"},
    {u"ccommute", u"mute", u"Mute ccom"},
    {u"ccomron", u"r", u"Random Song ccom"},
    {u"ccomplay", u"play", u"Play ccom"},
    {u"chatsend", u"\u2020-%a - %s - %t - %d-\u2020", u"Chat Send"},
};

}  // namespace

Ccoms::Ccoms()
    : window(QStringLiteral("Ccoms"), QStringLiteral("Ccoms")),
      Image26(QStringLiteral("Image26")),
      Image27(QStringLiteral("Image27")) {
    for (const WordRow& row : kWordRows) {
        auto box =
            std::make_unique<TextBox>(QString::fromUtf16(row.name), QString::fromUtf16(row.text));
        box->setToolTip(QString::fromUtf16(row.toolTip));
        boxes_.push_back(std::move(box));
    }
}

TextBox* Ccoms::box(const QString& name) {
    for (auto& box : boxes_) {
        if (box->name() == name) {
            return box.get();
        }
    }
    return nullptr;
}

QString Ccoms::word(const QString& name) const {
    for (const auto& box : boxes_) {
        if (box->name() == name) {
            return box->text();
        }
    }
    return {};
}

}  // namespace ruz

// The dispatch of a chat line to the commands: the sender gate, the contains phase and the exact
// phase.
#include "app/frmamp.h"
#include "app/text.h"

#include <array>

namespace ruz {

namespace {

const QString kSongSearch = QStringLiteral(".p");

struct ContainsRow {
    const char16_t* word;  // a `Ccoms` box, read with the trigger before it
    void (FrmAmp::*command)(const std::optional<QString>& argument);
};

// Tested in this order; every one that matches runs, all with the same argument.
const std::array<ContainsRow, 3> kContainsPhase = {{
    {u"ccomvol", &FrmAmp::VolumeCommand},
    {u"set", &FrmAmp::SetPositionCommand},
    {u"ccomidleon", &FrmAmp::IdleOnCommand},
}};

enum class Kind { Bare, Exact, ExactFixed };

struct ExactRow {
    Kind kind;
    const char16_t* text;  // a `Ccoms` box, or the fixed word after the trigger
    void (FrmAmp::*command)();
};

// Compared in this order; the first equal row runs and ends the line's handling.
const std::array<ExactRow, 20> kExactPhase = {{
    {Kind::Bare, u"ccomidleoff", &FrmAmp::IdleOffCommand},
    {Kind::Exact, u"ccomclear", &FrmAmp::ClearCommand},
    {Kind::Exact, u"ccomclose", &FrmAmp::CloseRoomCommand},
    {Kind::ExactFixed, u"set?", &FrmAmp::SongLengthCommand},
    {Kind::Exact, u"ccomend", &FrmAmp::EndCommand},
    {Kind::Exact, u"ccomhide", &FrmAmp::HideCommand},
    {Kind::Bare, u"ccomsoff", &FrmAmp::ChatSendsOffCommand},
    {Kind::Bare, u"ccomson", &FrmAmp::ChatSendsOnCommand},
    {Kind::Exact, u"ccomhelp", &FrmAmp::HelpCommand},
    {Kind::Exact, u"ccomshow", &FrmAmp::ShowCommand},
    {Kind::Exact, u"ccomstop", &FrmAmp::StopCommand},
    {Kind::Exact, u"ccomback", &FrmAmp::PreviousSong},
    {Kind::Exact, u"ccomskip", &FrmAmp::NextSong},
    {Kind::Exact, u"ccomlast", &FrmAmp::LastSongCommand},
    {Kind::Exact, u"ccomfirst", &FrmAmp::FirstSongCommand},
    {Kind::Exact, u"fwd", &FrmAmp::ForwardCommand},
    {Kind::Exact, u"rev", &FrmAmp::RewindCommand},
    {Kind::Exact, u"ccompause", &FrmAmp::PauseCommand},
    {Kind::ExactFixed, u"resume", &FrmAmp::ResumeCommand},
    {Kind::Exact, u"ccommute", &FrmAmp::MuteCommand},
}};

}  // namespace

void FrmAmp::aimchatscan(const QString& whosaid, const QString& whatsaid) {
    if (ended_ || !whosaid.endsWith(lblsn.caption())) {
        return;
    }
    // The argument: everything after the line's first blank.
    std::optional<QString> argument;
    if (const qsizetype blank = whatsaid.indexOf(u' '); blank >= 0) {
        argument = whatsaid.mid(blank + 1);
    }

    for (const ContainsRow& row : kContainsPhase) {
        const QString text = ccoms().trigger() + ccoms().word(QString::fromUtf16(row.word));
        if (ContainsText(whatsaid, text)) {
            (this->*row.command)(argument);
        }
    }
    if (ContainsText(whatsaid, kSongSearch)) {
        SongSearchCommand(argument);
    }

    for (const ExactRow& row : kExactPhase) {
        const QString word = QString::fromUtf16(row.text);
        QString text;
        switch (row.kind) {
            case Kind::Bare:
                text = ccoms().word(word);
                break;
            case Kind::Exact:
                text = ccoms().trigger() + ccoms().word(word);
                break;
            case Kind::ExactFixed:
                text = ccoms().trigger() + word;
                break;
        }
        if (whatsaid == text) {
            (this->*row.command)();
            return;
        }
    }
}

}  // namespace ruz

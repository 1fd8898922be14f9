// The commands that work the player from the chat room.
#include "app/frmamp.h"
#include "commands/numbers.h"

#include <limits>

namespace ruz {

namespace {
constexpr double kSkipSeconds = 5;
constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();
const QString kDagger = QStringLiteral("\u2020");
}  // namespace

void FrmAmp::SendGated(const QString& text) {
    if (chatsendc.value() == 1) {
        SendChatText(text);
    }
}

void FrmAmp::VolumeCommand(const std::optional<QString>& argument) {
    if (!argument) {
        return;
    }
    const auto number = readNumber(*argument);
    const auto volume = number ? roundHalfEven(*number, kIntMin, kIntMax) : std::nullopt;
    if (volume) {
        SetVolume(*volume);
        Slider1.setValue(*volume);
    }
    SendGated(QStringLiteral("Changing volume to ") + *argument);
}

void FrmAmp::SetPositionCommand(const std::optional<QString>& argument) {
    if (!argument) {
        return;
    }
    if (const auto seconds = readNumber(*argument)) {
        SeekTo(*seconds);
        if (const auto whole = roundHalfEven(*seconds, kIntMin, kIntMax)) {
            Slider2.setValue(*whole);
        }
    }
    SendGated(QStringLiteral("Set To ") + *argument + QStringLiteral(" Secounds"));
}

void FrmAmp::SongSearchCommand(const std::optional<QString>& argument) {
    if (argument) {
        Text1.setText(*argument);
    }
    SelectSong(FindListItem(Text1.text(), List1));
}

void FrmAmp::SongLengthCommand() {
    SendChatText(QStringLiteral("Song Is ") + QString::number(Slider2.max()) +
                 QStringLiteral(" Secounds Long"));
}

void FrmAmp::StopCommand() {
    MediaPlayer1.stop();
    SendGated(kDagger + QStringLiteral("- Stops Song -") + kDagger);
}

void FrmAmp::LastSongCommand() {
    SelectSong(File1.count() - 1);
    OpenSelectedSong();
}

void FrmAmp::FirstSongCommand() {
    SelectSong(0);
    OpenSelectedSong();
}

void FrmAmp::ForwardCommand() {
    SeekBy(kSkipSeconds);
    Slider2.setValue(Slider2.value() + static_cast<int>(kSkipSeconds));
    SendGated(kDagger + QStringLiteral("- Forwards Song -") + kDagger);
}

void FrmAmp::RewindCommand() {
    SeekBy(-kSkipSeconds);
    Slider2.setValue(Slider2.value() - static_cast<int>(kSkipSeconds));
    SendGated(kDagger + QStringLiteral("- Rewinds Song -") + kDagger);
}

void FrmAmp::PauseCommand() {
    PauseSong();
    SendGated(kDagger + QStringLiteral("- Pauses Song") + Song.caption() + QStringLiteral(" -") +
              kDagger);
}

void FrmAmp::ResumeCommand() {
    ResumeSong();
    SendGated(kDagger + QStringLiteral("- Resumes Song") + Song.caption() + QStringLiteral(" -") +
              kDagger);
}

void FrmAmp::MuteCommand() {
    const bool wasMuted = MediaPlayer1.mute();
    ToggleMute();
    const QString verb = wasMuted ? QStringLiteral("- Un Mutes ") : QStringLiteral("- Mutes ");
    SendChatText(kDagger + verb + Song.caption() + QStringLiteral(" -") + kDagger);
}

}  // namespace ruz

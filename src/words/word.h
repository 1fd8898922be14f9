#pragma once

namespace ruz {

// The words of the `Ccoms` window, one text box each, in the window's order.
enum class Word {
    Trigger,
    Volume,
    SetPosition,
    IdleOn,
    IdleOff,
    Clear,
    Close,
    End,
    Hide,
    SendsOff,
    SendsOn,
    Help,
    Show,
    Stop,
    Back,
    Skip,
    Last,
    First,
    Forward,
    Rewind,
    Pause,
    Mute,
    RandomSong,
    Play,
    Announcement,
};
inline constexpr int kWordCount = static_cast<int>(Word::Announcement) + 1;

}  // namespace ruz

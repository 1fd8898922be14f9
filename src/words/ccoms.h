#pragma once

#include "controls/controls.h"
#include "words/word.h"

#include <array>
#include <memory>
#include <string>

namespace ruz {

// The command-words window: the trigger, the command words and the song-announcement template,
// editable while the program runs. Hidden, never destroyed, so edits last until the program ends.
class Ccoms {
    // Declared first: every control below registers here.
    ControlRegistry controls_;

  public:
    Ccoms();

    // A word's design value and its box's name, without a window.
    static std::u16string defaultText(Word word);
    static std::u16string boxName(Word word);

    TextBox& box(Word word) { return *boxes_[static_cast<int>(word)]; }
    // The current text of a word's box, read at the moment of use.
    const std::u16string& word(Word word) const { return boxes_[static_cast<int>(word)]->text(); }
    // The trigger followed by the word.
    std::u16string command(Word word) const { return this->word(Word::Trigger) + this->word(word); }
    // The window's controls by name: the window itself, the boxes and the two pictures.
    const ControlRegistry& controls() const { return controls_; }

    Window window;
    Picture Image26;  // The strip across the top by which the window is dragged
    Picture Image27;  // Hide

  private:
    std::array<std::unique_ptr<TextBox>, kWordCount> boxes_;
};

}  // namespace ruz

#pragma once

#include "platform/controls.h"

#include <QString>

#include <memory>
#include <vector>

namespace ruz {

// The command-words window: the trigger, the command words and the song-announcement template,
// one text box each, editable while the program runs. Hidden, never destroyed, so edits last
// until the program ends.
class Ccoms {
  public:
    Ccoms();

    // The text box named `name` (`Customccom`, `ccomvol`, ..., `chatsend`); nullptr if none.
    TextBox* box(const QString& name);
    const std::vector<std::unique_ptr<TextBox>>& boxes() const { return boxes_; }
    // The current text of box `name`, read at the moment of use.
    QString word(const QString& name) const;
    QString trigger() const { return word(QStringLiteral("Customccom")); }

    Window window;
    // The strip across the top by which the window is dragged, and its hide button.
    Picture Image26;
    Picture Image27;
    // Where a mouse button was last pressed on `Image26`, in twips from its top-left corner.
    int anchorX = 0;
    int anchorY = 0;

  private:
    std::vector<std::unique_ptr<TextBox>> boxes_;
};

}  // namespace ruz

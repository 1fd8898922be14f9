#pragma once

#include <QIcon>
#include <QPixmap>

namespace ruz::ui {

// The program's picture: a note in a chat bubble on a blue tile (the same drawing as the
// installed taviks-ruz.svg), painted at any size.
QPixmap logoPixmap(int size);
QIcon logoIcon();

}  // namespace ruz::ui

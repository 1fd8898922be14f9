#pragma once

#include <QString>
#include <QTextDocument>

namespace ruz::ui {

// A tool tip that shows `text` as typed. The toolkit lays out a tool tip that looks like markup
// as rich text, loading whatever its tags name; a text from a room, a server, a file name or a tag
// goes through here.
inline QString plainToolTip(const QString& text) {
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
}

}  // namespace ruz::ui

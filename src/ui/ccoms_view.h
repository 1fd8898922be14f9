#pragma once

#include "words/ccoms.h"

#include <QWidget>

namespace ruz::ui {

// The strip across the top of the command-words window: it paints the window's title and hands
// every button press and pointer move to its picture control, in twips from its top-left corner.
class DragStrip final : public QWidget {
  public:
    DragStrip(Picture& picture, QString title, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    // The pointer relative to the strip where it stands now: the window may have moved since the
    // event was queued.
    QPoint pointerTwips(const QMouseEvent& event) const;

    Picture& picture_;
    QString title_;
};

// The command-words window: a frameless window with its 25 boxes, dragged by its strip, hidden by
// its button; where it stands on the screen is the window control's position.
class CcomsView final : public QWidget {
  public:
    explicit CcomsView(Ccoms& words);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Ccoms& words_;
};

}  // namespace ruz::ui

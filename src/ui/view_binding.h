#pragma once

#include "controls/controls.h"

#include <QObject>
#include <QPointer>

#include <initializer_list>

namespace ruz::ui {

// Screen units: the controls measure positions in twips, 15 to a pixel.
inline constexpr int kTwipsPerPixel = 15;

// Redraws `widget` from the controls now and after every change one of them reports. A widget
// that has gone is skipped, so the controls may outlive their views.
template <typename W, typename Update>
void bindView(std::initializer_list<Control*> controls, W* widget, Update update) {
    const QPointer<W> guard(widget);
    for (Control* control : controls) {
        control->addViewListener([guard, update] {
            if (guard) {
                update(*guard);
            }
        });
    }
    update(*widget);
}

template <typename W, typename Update>
void bindView(Control& control, W* widget, Update update) {
    bindView({&control}, widget, std::move(update));
}

// The Windows virtual-key code of F1 to F8 (112 to 119) for a Qt key; 0 for any other key.
int optionKeyCode(int qtKey);

// Hands the keys F1 to F8, pressed while `box`'s widget has the focus, to the box; every key then
// goes its usual way. Install on the box's widget; the widget owns it.
class OptionKeyForwarder final : public QObject {
  public:
    OptionKeyForwarder(CheckBox& box, QObject* parent) : QObject(parent), box_(box) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    CheckBox& box_;
};

}  // namespace ruz::ui

#pragma once

#include "controls/controls.h"

#include <QObject>

#include <initializer_list>
#include <vector>

namespace ruz::ui {

// Screen units: the controls measure positions in twips, 15 to a pixel.
inline constexpr int kTwipsPerPixel = 15;

// The listeners a widget holds on controls: they go with the widget, so the controls may outlive
// their views.
class HeldListeners final : public QObject {
  public:
    explicit HeldListeners(QObject* widget) : QObject(widget) {}
    void hold(Subscription subscription) { held_.push_back(std::move(subscription)); }

  private:
    std::vector<Subscription> held_;
};

// Redraws `widget` from the controls now and after every change one of them reports, for as long
// as the widget lives.
template <typename W, typename Update>
void bindView(std::initializer_list<Control*> controls, W* widget, Update update) {
    auto* held = new HeldListeners(widget);  // owned by the widget
    for (Control* control : controls) {
        held->hold(control->addViewListener([widget, update] { update(*widget); }));
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

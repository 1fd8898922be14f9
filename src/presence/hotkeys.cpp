// F1 to F8 check and uncheck the four option boxes while one of them has the focus.
#include "app/frmamp.h"

#include <array>

namespace ruz {

namespace {
struct HotKey {
    int keyCode;
    CheckBox FrmAmp::*box;
    int value;
};

constexpr std::array<HotKey, 8> kHotKeys = {{
    {112, &FrmAmp::chkAutoGetSong, 1},
    {113, &FrmAmp::chkAutoGetSong, 0},
    {114, &FrmAmp::chkRepeat, 1},
    {115, &FrmAmp::chkRepeat, 0},
    {116, &FrmAmp::chkRandomSong, 1},
    {117, &FrmAmp::chkRandomSong, 0},
    {118, &FrmAmp::chkKeepFromRating, 1},
    {119, &FrmAmp::chkKeepFromRating, 0},
}};
}  // namespace

void FrmAmp::OptionKeyDown(int keyCode) {
    for (const HotKey& key : kHotKeys) {
        if (key.keyCode == keyCode) {
            (this->*key.box).setValue(key.value);
        }
    }
}

void FrmAmp::wireHotKeys() {
    for (CheckBox* box : {&chkAutoGetSong, &chkRepeat, &chkRandomSong, &chkKeepFromRating}) {
        box->onKeyDown = [this](int keyCode) { OptionKeyDown(keyCode); };
    }
}

}  // namespace ruz

// Anti-lag: while it is on, the room's transcript view is emptied once a second.
#include "app/frmamp.h"

namespace ruz {

void FrmAmp::wireAntiLag() {
    chkAntiLag.onClick = [this] { tmrALag.setEnabled(chkAntiLag.value() == 1); };
    tmrALag.onTick = [this] { ClearChatTranscript(); };
}

}  // namespace ruz

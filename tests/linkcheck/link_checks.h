#pragma once

#include "room_driver.h"

namespace ruz::linkcheck {

// Runs every check of the messenger link against the rooms `driver` plays. Prints one line per
// check ("ok NAME" or "FAIL NAME: ..."), then "N passed, M failed" as the last line, all in
// ASCII. Returns 0 when every check passed, 1 otherwise.
int runLinkChecks(RoomDriver& driver);

}  // namespace ruz::linkcheck

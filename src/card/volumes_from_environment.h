#pragma once
// The volumes every part of the program looks at, the command line and the
// viewer alike: this machine's removable volumes, or, when the variable
// DRAVONIX_TEST_VOLUMES is set ("FOLDER=LABEL;FOLDER=LABEL"), folders that
// stand in for them (end-to-end tests, and trying the dialogs on a folder).
// DRAVONIX_TEST_DEVICES ("FOLDER=IMAGE;...") gives such a folder an image
// file as its device, which the format dialog then formats.

#include "card/volumes.h"

#include <memory>

namespace dravonix {

std::unique_ptr<Volumes> volumesFromEnvironment();

} // namespace dravonix

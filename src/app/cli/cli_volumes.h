#pragma once
#include "card/volumes.h"

#include <memory>

namespace dravonix::cli {

// This machine's removable volumes; for end-to-end tests the variable
// DRAVONIX_TEST_VOLUMES ("FOLDER=LABEL;FOLDER=LABEL") stands folders in for them.
std::unique_ptr<Volumes> volumesForCli();

} // namespace dravonix::cli

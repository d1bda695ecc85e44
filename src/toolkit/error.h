#pragma once
// Why something failed, in words a user can act on, with the system's own
// error code when there is one (0 for refusals of ours).

#include <string>

namespace dravonix {

struct Error {
    std::string message;
    int systemError = 0;
};

} // namespace dravonix

#pragma once
// The system calls a replacement makes after writing its bytes, so that tests
// can make one of them fail and check that the failure is reported.

#include <sys/types.h>

namespace dravonix::detail {

struct ReplaceSteps {
    int (*fsyncFile)(int fd);
    int (*fchmod)(int fd, mode_t mode);
    int (*fchown)(int fd, uid_t owner, gid_t group);
    int (*rename)(const char* from, const char* to);
    int (*fsyncFolder)(int fd);
};

ReplaceSteps& replaceSteps();
void restoreReplaceSteps();

} // namespace dravonix::detail

#include "tools/sim/scenario/quiet_output.h"

#include <fcntl.h>
#include <stdio.h>

#if defined(_WIN32)
#include <io.h>
constexpr const char* kNullDevice = "NUL";
#else
#include <unistd.h>
constexpr const char* kNullDevice = "/dev/null";
#endif

namespace simtool {

QuietStandardOutput::QuietStandardOutput() {
    fflush(stdout);
    saved_ = dup(1);
    const int null = open(kNullDevice, O_WRONLY);
    if (null >= 0) {
        dup2(null, 1);
        close(null);
    }
}

QuietStandardOutput::~QuietStandardOutput() {
    fflush(stdout);
    if (saved_ >= 0) {
        dup2(saved_, 1);
        close(saved_);
    }
}

} // namespace simtool

#include "CliApp.h"

#include <csignal>
#include <cstdlib>
#include <new>
#include <unistd.h>

namespace {

const char kOutOfMemory[] = "lettrino-cli: out of memory\n";

void ReportOutOfMemory() {
    // Nothing here may allocate: the message is written as it is.
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kOutOfMemory, sizeof kOutOfMemory - 1);
}

// A worker thread's failed allocation cannot travel to main: it ends the program here.
[[noreturn]] void OutOfMemoryInAnyThread() {
    ReportOutOfMemory();
    _exit(kExitFailure);
}

} // namespace

int main(int argc, char** argv) {
    std::set_new_handler(OutOfMemoryInAnyThread);
    // A file size limit makes a write fail with EFBIG, reported like a full disk, instead of
    // ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return RunCli(argc, argv);
    } catch (const std::bad_alloc&) {
        // Allocations outside operator new (Qt's containers) still report through std::bad_alloc.
        ReportOutOfMemory();
        return kExitFailure;
    }
}

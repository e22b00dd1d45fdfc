#include "CLtApp.h"

#include <csignal>

int main(int argc, char** argv) {
    // A file size limit makes a save fail with EFBIG, which is reported, instead of ending the
    // program and losing the text.
    std::signal(SIGXFSZ, SIG_IGN);
    return CLtApp::Run(argc, argv);
}

#include "CLtApp.h"

int main(int argc, char** argv) {
    return CLtApp::Run(argc, argv);
}

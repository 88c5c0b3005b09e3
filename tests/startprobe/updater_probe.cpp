#include "startprobe/startprobe.h"
#include "updater/updaterprogram.h"

int main(int argc, char** argv) {
    qm::test::stopWhenTheApplicationIsMade();
    return qm::UpdaterMain(argc, argv);
}

#include "setup/setupprogram.h"
#include "startprobe/startprobe.h"

int main(int argc, char** argv) {
    qm::test::stopWhenTheApplicationIsMade();
    return qm::SetupMain(argc, argv);
}

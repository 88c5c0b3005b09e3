#include "app/mainwindow/qmoorprogram.h"
#include "startprobe/startprobe.h"

int main(int argc, char** argv) {
    qm::test::stopWhenTheApplicationIsMade();
    return qm::ProgramMain(argc, argv);
}

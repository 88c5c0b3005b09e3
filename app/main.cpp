#include "app/mainwindow/qmoorprogram.h"

int main(int argc, char** argv) {
    return qm::ProgramMain(argc, argv);
}

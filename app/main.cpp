#include "app/qmoorprogram.h"

int main(int argc, char** argv) {
    return qm::ProgramMain(argc, argv);
}

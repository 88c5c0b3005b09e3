#include "updater/updaterprogram.h"

int main(int argc, char** argv) {
    return qm::UpdaterMain(argc, argv);
}

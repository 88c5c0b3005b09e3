#include "setup/setupprogram.h"

int main(int argc, char** argv) {
    return qm::SetupMain(argc, argv);
}

#include "extract/traj_cut.h"

int main(int argc, char** argv) {
    return trimlet_main(argc, argv);
}

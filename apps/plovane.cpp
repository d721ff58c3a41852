#include "shell/plovane_app.h"

int main(int argc, char** argv) {
    return shell::plovane_main(argc, argv);
}

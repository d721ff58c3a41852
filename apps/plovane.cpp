#include "shell/plovane_cli.h"

int main(int argc, char** argv) {
    return plovane_cli_main(argc, argv);
}

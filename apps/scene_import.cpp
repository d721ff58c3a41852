#include "import/scene_import_cli.h"

int main(int argc, char** argv) {
    return scene_import_main(argc, argv);
}

#include "data/version.h"

const char* tools_version() {
    return SCENE_TOOLS_VERSION;
}

// Role colour settings as one line of text, for comparing them in tests.
#pragma once

#include <cstdio>
#include <string>

#include "data/trajcolset.h"

namespace test_support {

// The members that are not zero, in key order: "frontid=12 frontcol=255,128,0 ".
inline std::string nonzero(const RoleColours& c) {
    std::string out;
    char buf[64];
    auto add = [&](const char* key, double v) {
        std::snprintf(buf, sizeof buf, "%s=%g ", key, v);
        if (v != 0) out += buf;
    };
    auto col = [&](const char* key, RgbColour v) {
        std::snprintf(buf, sizeof buf, "%s=%d,%d,%d ", key, v.r, v.g, v.b);
        if (v != RgbColour{}) out += buf;
    };
    add("frontid", c.frontid);
    col("frontcol", c.frontcol);
    add("leadid", c.leadid);
    col("leadcol", c.leadcol);
    add("lagid", c.lagid);
    col("lagcol", c.lagcol);
    add("rearid", c.rearid);
    col("rearcol", c.rearcol);
    col("egocol", c.egocol);
    add("speedmin", c.speedmin);
    add("speedmax", c.speedmax);
    add("trajcolseton", c.trajcolseton);
    return out;
}

// default_role_colours() as nonzero() writes it.
inline const std::string kDefaultRoleColours =
    "frontid=-1 frontcol=255,0,0 leadid=-1 leadcol=0,255,0 lagid=-1 lagcol=0,0,255 rearid=-1 "
    "rearcol=255,0,255 egocol=255,255,0 speedmin=5 speedmax=30 trajcolseton=1 ";

}  // namespace test_support

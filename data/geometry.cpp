#include "data/geometry.h"

#include <cmath>

Mat2 rotation_matrix(double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return Mat2{c, -s, s, c};
}

void vec_add(Vec2& v, const Vec2& w) {
    v.x += w.x;
    v.y += w.y;
}

void vec_sub(Vec2& v, const Vec2& w) {
    v.x -= w.x;
    v.y -= w.y;
}

void vec_rotate(Vec2& v, const Mat2& M) {
    const double x = M.m00 * v.x + M.m01 * v.y;
    const double y = M.m10 * v.x + M.m11 * v.y;
    v = {x, y};
}

void vec_rotate_inverse(Vec2& v, const Mat2& M) {
    const double x = M.m00 * v.x + M.m10 * v.y;
    const double y = M.m01 * v.x + M.m11 * v.y;
    v = {x, y};
}

double vec_length(const Vec2& v) {
    return std::sqrt(v.x * v.x + v.y * v.y);
}

double vec_normalize(Vec2& v) {
    const double length = vec_length(v);
    if (length != 0) {
        v.x /= length + 1e-10;
        v.y /= length + 1e-10;
    }
    return length;
}

Vec2 vec_left_normal(const Vec2& v) {
    return Vec2{-v.y, v.x};
}

std::array<Vec2, 4> box_corners(const Vec2& c, const Vec2& u, double length, double width,
                                double margin) {
    const double d = length / 2 + margin;
    const double e = width / 2 + margin;
    const Vec2 n = vec_left_normal(u);
    auto at = [&](double a, double b) {
        return Vec2{c.x + a * u.x + b * n.x, c.y + a * u.y + b * n.y};
    };
    return {at(d, -e), at(d, e), at(-d, e), at(-d, -e)};
}

int split_file_name(const std::string& path, std::string& base, std::string& extension) {
    base = path;
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot != 0) {
        extension = path.substr(dot + 1);
        base.resize(dot);
        while (!extension.empty() && extension.back() >= '0' && extension.back() <= '9') {
            extension.pop_back();
        }
    }
    return 1;
}

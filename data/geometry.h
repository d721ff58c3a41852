// 2-D vectors and rotations shared by the loaders, the scene clock and the painters,
// and the splitting of a path into base name and extension.
//
// Rotation convention: the rotation by angle a has rows (cos a, -sin a) and
// (sin a, cos a). A point p in a vehicle's own frame maps to the world as
// R(heading)·p + (x, y); the vehicle's +y axis points forward, +x to its right.
#pragma once

#include <array>
#include <string>

struct Vec2 {
    double x = 0;  // metres (or centimetres in the view's world frame)
    double y = 0;
};

struct Mat2 {
    double m00 = 1, m01 = 0;  // first row
    double m10 = 0, m11 = 1;  // second row
};

// The rotation matrix of angle a (radians), rows (cos a, -sin a), (sin a, cos a).
Mat2 rotation_matrix(double angle);

void vec_add(Vec2& v, const Vec2& w);  // v := v + w
void vec_sub(Vec2& v, const Vec2& w);  // v := v - w
// v := M·v.
void vec_rotate(Vec2& v, const Mat2& M);
// v := Mᵀ·v, the inverse rotation when M is a rotation matrix.
void vec_rotate_inverse(Vec2& v, const Mat2& M);
double vec_length(const Vec2& v);
// Returns the length L of v; when L is not 0, v := v / (L + 1e-10). A zero vector
// is left unchanged and 0 is returned.
double vec_normalize(Vec2& v);
// (-y, x): v turned a quarter to the left.
Vec2 vec_left_normal(const Vec2& v);

// Corners of an oriented box with centre c, unit heading u, the given length
// (along u) and width, each half grown by margin. Order: c + d·u − e·n,
// c + d·u + e·n, c − d·u + e·n, c − d·u − e·n with d = length/2 + margin,
// e = width/2 + margin, n = vec_left_normal(u) (front right, front left, rear
// left, rear right when u points forward).
std::array<Vec2, 4> box_corners(const Vec2& c, const Vec2& u, double length, double width,
                                double margin);

// Splits path at its last '.': base gets the text before it, extension the text
// after it with trailing decimal digits removed ("run.nav2" -> "run", "nav").
// When there is no dot, or the last dot is the first character, base is the
// whole path and extension is left as the caller set it. Any length. Returns 1.
int split_file_name(const std::string& path, std::string& base, std::string& extension);

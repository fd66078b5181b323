// Vector and matrix operations on the game's scene-graph values.
//
// A Matrix3 is stored row-major (row i, column j is element 3i + j) and acts
// on column vectors, exactly as a SceneNode stores its rotations, so these
// operations read and write node fields in place. Every float operation
// rounds to single precision as written (the build uses SSE arithmetic).
#pragma once

struct Vector3 {
    float x;
    float y;
    float z;
};

struct Matrix3 {
    float m[3][3];
};

static_assert(sizeof(Vector3) == 12, "Vector3 is three floats");
static_assert(sizeof(Matrix3) == 36, "Matrix3 is nine floats");

// Component i (0, 1, 2) of a vector.
inline float& Component(Vector3& v, int i) {
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}
inline float Component(const Vector3& v, int i) {
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}

// dst = inverse(src) by cofactors; dst may be src.
void InvertMatrix3(Matrix3* dst, const Matrix3* src);
// dst = m * v; dst must not be v.
void MultiplyMatrix3Vector3(Vector3* dst, const Matrix3* m, const Vector3* v);
// dst = a * b; dst must be neither a nor b.
void MultiplyMatrix3(Matrix3* dst, const Matrix3* a, const Matrix3* b);
// Sine and cosine of a float angle, evaluated in double precision.
float SinF(float angle);
float CosF(float angle);

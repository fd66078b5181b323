#include "body/node_math.h"

#include <math.h>

void InvertMatrix3(Matrix3* dst, const Matrix3* src) {
    // All nine elements are read before anything is written, so that the
    // inverse may land on its own source.
    const float a00 = src->m[0][0], a01 = src->m[0][1], a02 = src->m[0][2];
    const float a10 = src->m[1][0], a11 = src->m[1][1], a12 = src->m[1][2];
    const float a20 = src->m[2][0], a21 = src->m[2][1], a22 = src->m[2][2];

    const float det = a00 * (a11 * a22 - a12 * a21) - a01 * (a10 * a22 - a12 * a20) +
                      a02 * (a10 * a21 - a11 * a20);

    dst->m[0][0] = (a11 * a22 - a12 * a21) / det;
    dst->m[0][1] = (a02 * a21 - a01 * a22) / det;
    dst->m[0][2] = (a01 * a12 - a02 * a11) / det;
    dst->m[1][0] = (a12 * a20 - a10 * a22) / det;
    dst->m[1][1] = (a00 * a22 - a02 * a20) / det;
    dst->m[1][2] = (a02 * a10 - a00 * a12) / det;
    dst->m[2][0] = (a10 * a21 - a11 * a20) / det;
    dst->m[2][1] = (a20 * a01 - a00 * a21) / det;
    dst->m[2][2] = (a00 * a11 - a01 * a10) / det;
}

void MultiplyMatrix3Vector3(Vector3* dst, const Matrix3* m, const Vector3* v) {
    for (int i = 0; i < 3; ++i) {
        Component(*dst, i) = m->m[i][0] * v->x + m->m[i][1] * v->y + m->m[i][2] * v->z;
    }
}

void MultiplyMatrix3(Matrix3* dst, const Matrix3* a, const Matrix3* b) {
    // The running sum lives in the destination element and is rounded to a
    // float after every step.
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            dst->m[i][j] = 0.0f;
            for (int k = 0; k < 3; ++k) {
                dst->m[i][j] = a->m[i][k] * b->m[k][j] + dst->m[i][j];
            }
        }
    }
}

float SinF(float angle) {
    return static_cast<float>(sin(static_cast<double>(angle)));
}

float CosF(float angle) {
    return static_cast<float>(cos(static_cast<double>(angle)));
}

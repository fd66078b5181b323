// Node math against independently computed values, with the single-precision
// rounding after every step that the game's arithmetic has.
#include <gtest/gtest.h>
#include <math.h>

#include "body/node_math.h"
#include "sim/sim_game.h"

namespace {

void ExpectMatrixNear(const Matrix3& want, const Matrix3& got, float tolerance) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(want.m[i][j], got.m[i][j], tolerance) << i << "," << j;
        }
    }
}

Matrix3 Transposed(const Matrix3& a) {
    Matrix3 t;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            t.m[i][j] = a.m[j][i];
        }
    }
    return t;
}

TEST(NodeMath, InverseOfIdentityAndOfRotations) {
    const Matrix3 id = sim::Identity();
    Matrix3 inv;
    InvertMatrix3(&inv, &id);
    ExpectMatrixNear(id, inv, 0.0f);
    for (float a : {0.3f, -1.2f, 2.5f}) {
        const Matrix3 r = sim::RotationX(a);
        InvertMatrix3(&inv, &r);
        ExpectMatrixNear(sim::RotationX(-a), inv, 1e-6f);
    }
}

TEST(NodeMath, InverseInPlaceEqualsInverseIntoSeparateStorage) {
    Matrix3 a = {{{2, 1, 0.5f}, {-1, 3, 0.25f}, {0.75f, -2, 4}}};
    Matrix3 separate;
    InvertMatrix3(&separate, &a);
    InvertMatrix3(&a, &a);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(separate.m[i][j], a.m[i][j]);
        }
    }
}

TEST(NodeMath, InverseIsGeneralNotATranspose) {
    // A rotation carrying a uniform scale inverts to its transpose over s.
    const float s = 2.5f;
    Matrix3 r = sim::RotationZ(0.7f);
    Matrix3 scaled = r;
    for (auto& row : scaled.m) {
        for (float& v : row) {
            v *= s;
        }
    }
    Matrix3 inv;
    InvertMatrix3(&inv, &scaled);
    Matrix3 want = Transposed(r);
    for (auto& row : want.m) {
        for (float& v : row) {
            v /= s;
        }
    }
    ExpectMatrixNear(want, inv, 1e-6f);
    // A general matrix times its inverse is the identity.
    const Matrix3 a = {{{2, 1, 0.5f}, {-1, 3, 0.25f}, {0.75f, -2, 4}}};
    InvertMatrix3(&inv, &a);
    Matrix3 product;
    MultiplyMatrix3(&product, &a, &inv);
    ExpectMatrixNear(sim::Identity(), product, 1e-6f);
    // diag(2, 4, 8) inverts exactly.
    const Matrix3 d = {{{2, 0, 0}, {0, 4, 0}, {0, 0, 8}}};
    InvertMatrix3(&inv, &d);
    ExpectMatrixNear(Matrix3{{{0.5f, 0, 0}, {0, 0.25f, 0}, {0, 0, 0.125f}}}, inv, 0.0f);
}

TEST(NodeMath, ProductsWithTheIdentityAreExact) {
    const Matrix3 id = sim::Identity();
    const Matrix3 a = {{{0.1f, 0.2f, 0.3f}, {1e-8f, 3e7f, -4.5f}, {7, -8, 9}}};
    Matrix3 p;
    MultiplyMatrix3(&p, &a, &id);
    ExpectMatrixNear(a, p, 0.0f);
    MultiplyMatrix3(&p, &id, &a);
    ExpectMatrixNear(a, p, 0.0f);
    Vector3 v = {1, 2, 3}, out;
    MultiplyMatrix3Vector3(&out, &id, &v);
    EXPECT_EQ(1.0f, out.x);
    EXPECT_EQ(2.0f, out.y);
    EXPECT_EQ(3.0f, out.z);
}

TEST(NodeMath, RotationsTurnAsColumnVectors) {
    const Matrix3 rx90 = {{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}};
    const Vector3 y = {0, 1, 0};
    Vector3 out;
    MultiplyMatrix3Vector3(&out, &rx90, &y);
    EXPECT_EQ(0.0f, out.x);
    EXPECT_EQ(0.0f, out.y);
    EXPECT_EQ(1.0f, out.z);
    // A x B applies B first: Rz(90) then Rx(90) takes x to y to z.
    const Matrix3 rz90 = {{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
    Matrix3 both;
    MultiplyMatrix3(&both, &rx90, &rz90);
    const Vector3 x = {1, 0, 0};
    MultiplyMatrix3Vector3(&out, &both, &x);
    EXPECT_EQ(0.0f, out.x);
    EXPECT_EQ(0.0f, out.y);
    EXPECT_EQ(1.0f, out.z);
}

// a * b is 1 + 2^-11 + 2^-24 exactly; as a float it rounds (to even) to
// 1 + 2^-11. Adding -1 then leaves 2^-11, where a fused or extended sum
// would keep 2^-11 + 2^-24.
const float kA = 1.0f + ldexpf(1.0f, -12);
const float kRounded = ldexpf(1.0f, -11);

TEST(NodeMath, MatrixProductRoundsEveryStepToSinglePrecision) {
    const Matrix3 a = {{{kA, 1, 0}, {0, 1, 0}, {0, 0, 1}}};
    const Matrix3 b = {{{kA, 0, 0}, {-1, 1, 0}, {0, 0, 1}}};
    Matrix3 p;
    MultiplyMatrix3(&p, &a, &b);
    EXPECT_EQ(kRounded, p.m[0][0]);
}

TEST(NodeMath, MatrixVectorProductRoundsEachProductAndSum) {
    const Matrix3 m = {{{kA, 1, 0}, {0, 1, 0}, {0, 0, 1}}};
    const Vector3 v = {kA, -1, 0};
    Vector3 out;
    MultiplyMatrix3Vector3(&out, &m, &v);
    EXPECT_EQ(kRounded, out.x);
}

TEST(NodeMath, SineAndCosine) {
    EXPECT_EQ(0.0f, SinF(0.0f));
    EXPECT_EQ(1.0f, CosF(0.0f));
    EXPECT_FLOAT_EQ(0.29552020666f, SinF(0.3f));
    EXPECT_FLOAT_EQ(0.95533648912f, CosF(0.3f));
    EXPECT_FLOAT_EQ(-1.0f, SinF(-1.5707964f));
}

} // namespace

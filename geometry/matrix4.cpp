#include "geometry/matrix4.h"

#include "geometry/clocalescope.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Below this size m[0][0] and m[0][1] are rounding noise of a matrix whose
// second Euler angle is a quarter turn.
constexpr double kEulerPoleNoise = 1e-9;

// The twelve transform elements of a result under construction.
struct Affine {
    double m[4][3];
};

void store(Matrix4& out, const Affine& r)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = r.m[i][j];
}

void multiply(Affine& r, const Matrix4& A, const Matrix4& B)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            double s = A.m[i][0] * B.m[0][j] + A.m[i][1] * B.m[1][j] + A.m[i][2] * B.m[2][j];
            if (i == 3)
                s += B.m[3][j];
            r.m[i][j] = s;
        }
    }
}

void setBlock(Matrix4& M, double m00, double m01, double m02, double m10, double m11, double m12, double m20,
              double m21, double m22)
{
    M.m[0][0] = m00;
    M.m[0][1] = m01;
    M.m[0][2] = m02;
    M.m[1][0] = m10;
    M.m[1][1] = m11;
    M.m[1][2] = m12;
    M.m[2][0] = m20;
    M.m[2][1] = m21;
    M.m[2][2] = m22;
    M.m[3][0] = 0.0;
    M.m[3][1] = 0.0;
    M.m[3][2] = 0.0;
}

// The unit direction u as seen through M's block, normalised.
Vector3 localAxis(const Matrix4& M, const Vector3& u)
{
    Vector3 p;
    matTransformPoint(p, u, M);
    const Vector3 t = matTranslation(M);
    vecSub(p, p, t);
    vecNormalize(p);
    return p;
}

bool parallel(const Vector3& a, const Vector3& b)
{
    Vector3 ua = a;
    Vector3 ub = b;
    vecNormalize(ua);
    vecNormalize(ub);
    return std::fabs(std::fabs(vecDot(ua, ub)) - 1.0) < kVectorEpsilon;
}

// One stage of matAlign: turns A so that its local axis u points as B's does.
void alignStage(Matrix4& A, const Matrix4& B, const Vector3& u, bool keepLocalZ, Vector3* axisOut, double* angleOut)
{
    const Vector3 ua = localAxis(A, u);
    const Vector3 ub = localAxis(B, u);
    const double d = vecDot(ua, ub);
    Vector3 n = ua;
    double angle = 0.0;
    if (vecLength(ua) == 0.0 || vecLength(ub) == 0.0 || std::fabs(d - 1.0) < kVectorEpsilon) {
        // Already aligned, or no direction to align.
    } else if (std::fabs(d + 1.0) < kVectorEpsilon) {
        // Opposite: a half turn about an axis perpendicular to ua.
        const Vector3 xAxis = {1.0, 0.0, 0.0};
        const Vector3 yAxis = {0.0, 1.0, 0.0};
        const bool alongX = std::fabs(std::fabs(vecDot(ua, xAxis)) - 1.0) < kVectorEpsilon;
        vecCross(n, ua, alongX ? yAxis : xAxis);
        if (keepLocalZ) {
            // Turning about any other axis would undo the first stage.
            const Vector3 zA = localAxis(A, Vector3{0.0, 0.0, 1.0});
            if (vecLength(zA) > 0.0 && !parallel(n, zA))
                n = zA;
        }
        angle = kHalfTurn;
        matRotateAboutOwnOrigin(A, n, angle);
    } else {
        vecCross(n, ua, ub);
        angle = std::acos(d);
        matRotateAboutOwnOrigin(A, n, angle);
    }
    if (axisOut)
        *axisOut = n;
    if (angleOut)
        *angleOut = angle;
}

template <typename Op> void elementwise(Matrix4& out, const Matrix4& A, const Matrix4& B, Op op)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = op(A.m[i][j], B.m[i][j]);
}

template <typename Op> void elementwise(Matrix4& out, const Matrix4& A, double s, Op op)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = op(A.m[i][j], s);
}

} // namespace

void matIdentity(Matrix4& M)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            M.m[i][j] = i == j ? 1.0 : 0.0;
}

void matSetRotation(Matrix4& M, const Vector3& axis, double angle)
{
    const double len = vecLength(axis);
    if (len == 0.0) {
        setBlock(M, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0);
        return;
    }
    const double x = axis.x / len;
    const double y = axis.y / len;
    const double z = axis.z / len;
    // With row vectors the negated angle turns by +angle (right-hand rule).
    const double c = std::cos(-angle);
    const double s = std::sin(-angle);
    const double t = 1.0 - c;
    setBlock(M, t * x * x + c, t * x * y - s * z, t * x * z + s * y, //
             t * x * y + s * z, t * y * y + c, t * y * z - s * x,    //
             t * x * z - s * y, t * y * z + s * x, t * z * z + c);
}

void matSetTranslation(Matrix4& M, const Vector3& v)
{
    M.m[3][0] = v.x;
    M.m[3][1] = v.y;
    M.m[3][2] = v.z;
}

void matTransformPoint(Vector3& out, const Vector3& p, const Matrix4& M)
{
    const double x = p.x * M.m[0][0] + p.y * M.m[1][0] + p.z * M.m[2][0] + M.m[3][0];
    const double y = p.x * M.m[0][1] + p.y * M.m[1][1] + p.z * M.m[2][1] + M.m[3][1];
    const double z = p.x * M.m[0][2] + p.y * M.m[1][2] + p.z * M.m[2][2] + M.m[3][2];
    out.x = x;
    out.y = y;
    out.z = z;
}

void matFill(Matrix4& M, double v)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            M.m[i][j] = v;
}

void matClear(Matrix4& M)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            M.m[i][j] = 0.0;
}

void matCopy(Matrix4& dst, const Matrix4& src)
{
    if (&dst != &src)
        std::memcpy(dst.m, src.m, sizeof dst.m);
}

void matCopyKeepTranslation(Matrix4& dst, const Matrix4& src)
{
    const Vector3 t = matTranslation(dst);
    matCopy(dst, src);
    matSetTranslation(dst, t);
}

void matSetScale(Matrix4& M, double sx, double sy, double sz)
{
    setBlock(M, sx, 0.0, 0.0, 0.0, sy, 0.0, 0.0, 0.0, sz);
}

void matSetRotationX(Matrix4& M, double a)
{
    const double c = std::cos(a);
    const double s = std::sin(a);
    setBlock(M, 1.0, 0.0, 0.0, 0.0, c, s, 0.0, -s, c);
}

void matSetRotationY(Matrix4& M, double a)
{
    const double c = std::cos(a);
    const double s = std::sin(a);
    setBlock(M, c, 0.0, -s, 0.0, 1.0, 0.0, s, 0.0, c);
}

void matSetRotationZ(Matrix4& M, double a)
{
    const double c = std::cos(a);
    const double s = std::sin(a);
    setBlock(M, c, s, 0.0, -s, c, 0.0, 0.0, 0.0, 1.0);
}

void matSetEulerXYZ(Matrix4& M, double a, double b, double c)
{
    const double sa = std::sin(a), ca = std::cos(a);
    const double sb = std::sin(b), cb = std::cos(b);
    const double sc = std::sin(c), cc = std::cos(c);
    setBlock(M, cb * cc, cb * sc, -sb,                                //
             sa * sb * cc - ca * sc, sa * sb * sc + ca * cc, sa * cb, //
             ca * sb * cc + sa * sc, ca * sb * sc - sa * cc, ca * cb);
}

void matSetEulerYXZ(Matrix4& M, double a, double b, double c)
{
    const double sa = std::sin(a), ca = std::cos(a);
    const double sb = std::sin(b), cb = std::cos(b);
    const double sc = std::sin(c), cc = std::cos(c);
    setBlock(M, cb * cc - sa * sb * sc, cb * sc + sa * sb * cc, -ca * sb, //
             -ca * sc, ca * cc, sa,                                       //
             sb * cc + sa * cb * sc, sb * sc - sa * cb * cc, ca * cb);
}

Vector3 matToEulerXYZ(const Matrix4& M)
{
    Vector3 r;
    if (std::fabs(M.m[0][0]) > kEulerPoleNoise || std::fabs(M.m[0][1]) > kEulerPoleNoise) {
        double sinB = -M.m[0][2];
        if (sinB > 1.0)
            sinB = 1.0;
        else if (sinB < -1.0)
            sinB = -1.0;
        r.x = std::atan2(M.m[1][2], M.m[2][2]);
        r.y = std::asin(sinB);
        r.z = std::atan2(M.m[0][1], M.m[0][0]);
    } else if (M.m[0][2] <= 0.0) {
        // b = +quarter turn: row 1 is (sin(a - c), cos(a - c), 0).
        r.x = std::atan2(M.m[1][0], M.m[1][1]);
        r.y = kQuarterTurn;
        r.z = 0.0;
    } else {
        // b = -quarter turn: row 1 is (-sin(a + c), cos(a + c), 0).
        r.x = std::atan2(-M.m[1][0], M.m[1][1]);
        r.y = -kQuarterTurn;
        r.z = 0.0;
    }
    return r;
}

void matMultiply(Matrix4& out, const Matrix4& A, const Matrix4& B)
{
    Affine r;
    multiply(r, A, B);
    store(out, r);
}

void matMultiplyInPlace(Matrix4& M, const Matrix4& B)
{
    matMultiply(M, M, B);
}

void matRotateAfter(Matrix4& M, const Vector3& axis, double a)
{
    Matrix4 R;
    matIdentity(R);
    matSetRotation(R, axis, a);
    matMultiply(M, M, R);
}

void matRotateBefore(Matrix4& M, const Vector3& axis, double a)
{
    Matrix4 R;
    matIdentity(R);
    matSetRotation(R, axis, a);
    matMultiply(M, R, M);
}

void matScaleAfter(Matrix4& M, double sx, double sy, double sz)
{
    Matrix4 S;
    matIdentity(S);
    matSetScale(S, sx, sy, sz);
    matMultiply(M, M, S);
}

void matScaleBefore(Matrix4& M, double sx, double sy, double sz)
{
    Matrix4 S;
    matIdentity(S);
    matSetScale(S, sx, sy, sz);
    matMultiply(M, S, M);
}

void matTranslateAfter(Matrix4& M, double x, double y, double z)
{
    Matrix4 T;
    matIdentity(T);
    matSetTranslation(T, Vector3{x, y, z});
    matMultiply(M, M, T);
}

void matTranslateBefore(Matrix4& M, double x, double y, double z)
{
    Matrix4 T;
    matIdentity(T);
    matSetTranslation(T, Vector3{x, y, z});
    matMultiply(M, T, M);
}

void matRotateEulerXYZ(Matrix4& M, const Vector3& v)
{
    Matrix4 E;
    matIdentity(E);
    matSetEulerXYZ(E, v.x, v.y, v.z);
    matMultiply(M, M, E);
}

void matRotateEulerYXZ(Matrix4& M, const Vector3& v)
{
    Matrix4 E;
    matIdentity(E);
    matSetEulerYXZ(E, v.x, v.y, v.z);
    matMultiply(M, M, E);
}

void matRotateAboutOwnOrigin(Matrix4& M, const Vector3& axis, double a)
{
    const Vector3 t = matTranslation(M);
    matTranslateAfter(M, -t.x, -t.y, -t.z);
    matRotateAfter(M, axis, a);
    matTranslateAfter(M, t.x, t.y, t.z);
}

void matAlign(Matrix4& A, const Matrix4& B, Vector3* axis1, double* angle1, Vector3* axis2, double* angle2)
{
    alignStage(A, B, Vector3{0.0, 0.0, 1.0}, false, axis1, angle1);
    alignStage(A, B, Vector3{0.0, 1.0, 0.0}, true, axis2, angle2);
}

void matAlignedCopy(Matrix4& dst, const Matrix4& src)
{
    const Vector3 t = matTranslation(src);
    matIdentity(dst);
    matAlign(dst, src);
    matSetTranslation(dst, t);
}

void matAdd(Matrix4& out, const Matrix4& A, const Matrix4& B)
{
    elementwise(out, A, B, [](double a, double b) { return a + b; });
}

void matSub(Matrix4& out, const Matrix4& A, const Matrix4& B)
{
    elementwise(out, A, B, [](double a, double b) { return a - b; });
}

void matMulElements(Matrix4& out, const Matrix4& A, const Matrix4& B)
{
    elementwise(out, A, B, [](double a, double b) { return a * b; });
}

void matDivElements(Matrix4& out, const Matrix4& A, const Matrix4& B)
{
    elementwise(out, A, B, [](double a, double b) { return a / b; });
}

void matScaleElements(Matrix4& out, const Matrix4& A, double s)
{
    elementwise(out, A, s, [](double a, double b) { return a * b; });
}

void matDivideScalar(Matrix4& out, const Matrix4& A, double s)
{
    elementwise(out, A, s, [](double a, double b) { return a / b; });
}

void matSubScalar(Matrix4& out, const Matrix4& A, double s)
{
    elementwise(out, A, s, [](double a, double b) { return a - b; });
}

Vector3 matTranslation(const Matrix4& M)
{
    return Vector3{M.m[3][0], M.m[3][1], M.m[3][2]};
}

double matTranslationDistance(const Matrix4& A, const Matrix4& B)
{
    return pointDistance(matTranslation(A), matTranslation(B));
}

bool matNearlyEqual(const Matrix4& A, const Matrix4& B)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            if (!(std::fabs(A.m[i][j] - B.m[i][j]) < kVectorEpsilon))
                return false;
    return true;
}

int solveGaussJordan(Matrix4& result, Matrix4& work)
{
    double(&W)[4][4] = work.m;
    double(&I)[4][4] = result.m;
    for (int i = 0; i < 4; ++i) {
        int j = i;
        while (j < 4 && !(std::fabs(W[j][i]) >= kVectorEpsilon))
            ++j;
        if (j == 4)
            return -1;
        if (j == i) {
            const double p = W[i][i];
            if (!(std::fabs(p - 1.0) < kVectorEpsilon)) {
                for (int c = i; c < 4; ++c)
                    W[i][c] /= p;
                for (int c = 0; c < 4; ++c)
                    I[i][c] /= p;
            }
        } else {
            const double p = W[j][i];
            for (int c = i; c < 4; ++c) {
                const double moved = W[j][c] / p;
                W[j][c] = W[i][c];
                W[i][c] = moved;
            }
            for (int c = 0; c < 4; ++c) {
                const double moved = I[j][c] / p;
                I[j][c] = I[i][c];
                I[i][c] = moved;
            }
        }
        for (int k = i + 1; k < 4; ++k) {
            const double f = W[k][i];
            for (int c = i; c < 4; ++c)
                W[k][c] -= f * W[i][c];
            for (int c = 0; c < 4; ++c)
                I[k][c] -= f * I[i][c];
        }
    }
    for (int b = 3; b >= 0; --b) {
        for (int i = b - 1; i >= 0; --i) {
            const double v = W[i][b];
            for (int c = 0; c < 4; ++c)
                I[i][c] -= v * I[b][c];
        }
    }
    return 0;
}

int matInverse(Matrix4& out, const Matrix4& M)
{
    // Column-vector form of the affine transform: the transposed twelve
    // elements over a last row (0, 0, 0, 1).
    Matrix4 W;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            W.m[r][c] = M.m[c][r];
    W.m[3][0] = W.m[3][1] = W.m[3][2] = 0.0;
    W.m[3][3] = 1.0;
    Matrix4 I;
    matIdentity(I);
    if (solveGaussJordan(I, W) != 0)
        return -1;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[r][c] = I.m[c][r];
    return 0;
}

int matFromText(const char* text, Matrix4& M)
{
    if (!text)
        return 0;
    const ScopedCLocale numbersInC;
    // The C library's own "%lf" scanning, so every number form reads as it
    // does there; elements after the first mismatch keep their values.
    double v[12];
    const int read = std::sscanf(text, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3],
                                 &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11]);
    const int count = read < 0 ? 0 : read;
    for (int k = 0; k < count; ++k)
        M.m[k / 3][k % 3] = v[k];
    return count;
}

bool matToText(char* buffer, std::size_t size, const Matrix4& M)
{
    if (buffer && size > 0)
        buffer[0] = '\0';
    // std::to_chars in fixed notation with six digits prints what "%lf"
    // prints in the "C" locale, and never consults the locale.
    char text[kMatrixTextSize];
    char* p = text;
    char* const limit = text + sizeof text - 2; // room for the newline and zero
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (p != text) {
                if (p == limit)
                    return false;
                *p++ = ' ';
            }
            const std::to_chars_result r = std::to_chars(p, limit, M.m[i][j], std::chars_format::fixed, 6);
            if (r.ec != std::errc())
                return false;
            p = r.ptr;
        }
    }
    *p++ = '\n';
    *p = '\0';
    const std::size_t length = static_cast<std::size_t>(p - text);
    if (!buffer || length + 1 > size)
        return false;
    std::memcpy(buffer, text, length + 1);
    return true;
}

Vector3 randomVector()
{
    // rand() lies in 0..RAND_MAX, so dividing by RAND_MAX + 1 gives [0, 1).
    const double scale = static_cast<double>(RAND_MAX) + 1.0;
    Vector3 v;
    v.x = std::rand() / scale;
    v.y = std::rand() / scale;
    v.z = std::rand() / scale;
    return v;
}

// A fixture for scripts/check-maths: a C library call in play code, which it must refuse.
#include <cmath>

float facing(float yaw)
{
    return std::cos(yaw) + fmaxf(yaw, 0.0f);
}

// A fixture for scripts/check-maths: drawing may use the C library.
#include <cmath>

float bob(float t)
{
    return std::sin(t);
}

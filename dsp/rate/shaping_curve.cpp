#include "dsp/rate/shaping_curve.h"

#include <algorithm>
#include <cmath>

void ShapingCurve::rebuild(float h)
{
    points_.clear();
    points_.reserve(65);
    points_.push_back({0.0f, 0.0f, 1.0f});
    points_.push_back({1.0f, 1.0f, 0.0f});
    cursor_ = 0;
    if (!std::isfinite(h))
        h = 0.0f;                                  // no bend can be drawn from it: the identity
    const double diagonal = std::cos(M_PI / 4.0);  // cos and sin of 45 degrees are equal
    for (int k = 1; k < 64; ++k) {
        const double u = k / 64.0;
        const double d = 2.0 * u * (1.0 - u);
        const double x = std::clamp((0.5 - h * diagonal) * d + u * u, 0.0, 1.0);
        const double y = std::clamp((0.5 + h * diagonal) * d + u * u, -1.0, 1.0);
        insert(static_cast<float>(x), static_cast<float>(y));
    }
}

void ShapingCurve::insert(float x, float y)
{
    // The end points stay; anything else lands strictly between them.
    if (!(x > 0.0f && x < 1.0f))
        return;
    auto it = std::lower_bound(points_.begin(), points_.end(), x, [](const Breakpoint& p, float v) { return p.x < v; });
    if (it->x == x)
        return;
    const auto at = static_cast<size_t>(it - points_.begin());
    points_.insert(it, {x, y, 0.0f});
    for (size_t i : {at - 1, at}) {
        Breakpoint& p = points_[i];
        const Breakpoint& next = points_[i + 1];
        p.slope = (next.y - p.y) / (next.x - p.x);
    }
}

float ShapingCurve::operator()(float v)
{
    const float a = std::fabs(v);
    if (!(a == a))
        return 0.0f;  // NaN carries no signal
    uint32_t i = cursor_;
    while (i > 0 && a < points_[i].x)
        --i;
    const auto last = static_cast<uint32_t>(points_.size() - 1);
    while (i < last && points_[i + 1].x <= a)
        ++i;
    cursor_ = i;
    const Breakpoint& p = points_[i];
    const float y = p.y + p.slope * (a - p.x);
    return v < 0.0f ? -y : y;
}

#pragma once

#include <cstdint>
#include <vector>

// A saturating transfer curve: the 64-segment approximation of the quadratic Bezier from (0, 0)
// to (1, 1) whose control point lies h along the anti-diagonal from (0.5, 0.5). h = 0 is the
// identity; beyond |v| = 1 the curve clips to +-1. Odd symmetric: the sign of v is kept.
class ShapingCurve {
public:
    struct Breakpoint {
        float x;
        float y;
        float slope;  // of the segment to the next breakpoint
    };

    ShapingCurve() { rebuild(0.0f); }

    void rebuild(float h);
    // Looks v up starting from the segment of the previous lookup (samples move little).
    float operator()(float v);

    const std::vector<Breakpoint>& breakpoints() const { return points_; }

private:
    void insert(float x, float y);

    std::vector<Breakpoint> points_;
    uint32_t cursor_ = 0;
};

#pragma once

// How clean a captured sine is: its frequency, measured from the phase drift of short segments, and
// everything that is not that sine (noise, distortion, phase jumps) relative to it.
#include <cmath>
#include <vector>

namespace sinefit {

struct Fit {
    double frequency = 0;  // Hz
    double residualDb = 0; // power of what is not the sine, relative to the sine
};

// Least-squares a*cos(w t) + b*sin(w t) + c over x[from, from + n), t counted from 0 at x[0].
inline void fitAt(const std::vector<float>& x, size_t from, size_t n, double w, double& a, double& b,
                  double& c) {
    double m[3][4] = {};
    for (size_t i = from; i < from + n; ++i) {
        const double basis[3] = {std::cos(w * double(i)), std::sin(w * double(i)), 1.0};
        for (int r = 0; r < 3; ++r) {
            for (int k = 0; k < 3; ++k)
                m[r][k] += basis[r] * basis[k];
            m[r][3] += basis[r] * x[i];
        }
    }
    for (int p = 0; p < 3; ++p) // Gauss-Jordan; the matrix is well conditioned over many periods
        for (int r = 0; r < 3; ++r)
            if (r != p) {
                const double f = m[r][p] / m[p][p];
                for (int k = p; k < 4; ++k)
                    m[r][k] -= f * m[p][k];
            }
    a = m[0][3] / m[0][0];
    b = m[1][3] / m[1][1];
    c = m[2][3] / m[2][2];
}

// x holds a sine of about nominal Hz at rate.
inline Fit fit(const std::vector<float>& x, double nominal, int rate) {
    const double w0 = 2 * M_PI * nominal / rate;
    const size_t segment = size_t(rate) / 10;
    std::vector<double> phases;
    for (size_t from = 0; from + segment <= x.size(); from += segment) {
        double a, b, c;
        fitAt(x, from, segment, w0, a, b, c);
        double phase = std::atan2(-b, a);
        if (!phases.empty()) // unwrap
            phase += 2 * M_PI * std::round((phases.back() - phase) / (2 * M_PI));
        phases.push_back(phase);
    }
    // Linear regression of phase against the segment's middle sample.
    double st = 0, sp = 0, stt = 0, stp = 0;
    const double n = double(phases.size());
    for (size_t k = 0; k < phases.size(); ++k) {
        const double t = double(k * segment + segment / 2);
        st += t, sp += phases[k], stt += t * t, stp += t * phases[k];
    }
    const double slope = (n * stp - st * sp) / (n * stt - st * st);
    const double w = w0 + slope;
    double a, b, c;
    fitAt(x, 0, x.size(), w, a, b, c);
    double signal = 0, rest = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double s = a * std::cos(w * double(i)) + b * std::sin(w * double(i));
        signal += s * s;
        rest += (x[i] - s - c) * (x[i] - s - c);
    }
    return {w * rate / (2 * M_PI), 10 * std::log10(rest / signal)};
}

} // namespace sinefit

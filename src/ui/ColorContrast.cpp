#include "ColorContrast.h"

#include <algorithm>
#include <cmath>

namespace larkspin {

namespace {

double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
    return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

// c with its HSL lightness set to lightness (0..1).
QColor WithLightness(const QColor& c, double lightness) {
    QColor out =
        QColor::fromHslF(c.hslHueF(), c.hslSaturationF(), std::clamp(lightness, 0.0, 1.0), c.alphaF());
    return out;
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableAgainst(const QColor& wanted, const QColor& background, double minimum) {
    if (ContrastRatio(wanted, background) >= minimum)
        return wanted;
    // Against a dark background the text goes lighter, against a light one darker; the side that can
    // reach the most contrast wins.
    const bool lighter = ContrastRatio(Qt::white, background) >= ContrastRatio(Qt::black, background);
    const double start = wanted.toHsl().lightnessF();
    const double end = lighter ? 1.0 : 0.0;
    QColor best = WithLightness(wanted, end);
    // The least change that reaches minimum, found by halving the lightness interval.
    double near = start, far = end;
    for (int i = 0; i < 20; ++i) {
        const double mid = (near + far) / 2;
        const QColor tried = WithLightness(wanted, mid);
        if (ContrastRatio(tried, background) >= minimum) {
            far = mid;
            best = tried;
        } else {
            near = mid;
        }
    }
    return best;
}

} // namespace larkspin

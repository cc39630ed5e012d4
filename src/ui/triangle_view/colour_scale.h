#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

class QFontMetrics;
class QPainter;

namespace quorva {

class TTriangleGrid;

// Shades values on a black-to-blue-to-yellow scale whose lightness rises
// steadily, so larger values read lighter in colour and in grey alike.
//
// A triangle's differences crowd towards small values, so an even scale
// would paint nearly all of it the same dark shade. Where the count of each
// value is known, each value present takes a share of the scale: a least
// share, which keeps it visibly apart from its neighbours however few cells
// it has, and the rest in proportion to its cells. Otherwise a value's place
// grows with the logarithm of its distance from the smallest. Equal steps
// along the scale look equally different everywhere on it.
//
// The linear scale instead spreads the values evenly, from 0 to 99 or as far
// beyond as the grid's values reach.
//
// Zoomed out so far that a pixel holds blocks of many cells, the means of
// those blocks lie so close together that they all take about one shade. The
// zero-share kind shades values as by share, but such a pixel by the share of
// zero cells in its blocks instead, which tells the triangle's zero-valued
// triangles and bands from the rest.
class TColourScale {
public:
    enum class TKind { ByShare, Linear, ZeroShare };

    // The scale for a grid's values.
    explicit TColourScale(const TTriangleGrid& grid, TKind kind = TKind::ByShare);
    // `counts[v]` cells hold low + v; empty for the logarithmic scale.
    TColourScale(std::int64_t low, std::int64_t high, const std::vector<std::uint64_t>& counts,
                 TKind kind = TKind::ByShare);

    // What the user picks the scale by: "By share of cells", "Linear 0–99".
    static QString KindName(TKind kind);
    // Whether a pixel of many cells shows their share of zero cells.
    bool ShowsZeroShares() const { return zeroShares_; }

    QRgb Of(double value) const { return AtPlace(Position(value)); }
    // Where the value stands on the scale, from 0 to 1.
    double Position(double value) const;
    // Black or white, whichever reads better on the value's shade.
    static QColor TextOn(QRgb shade);

    // The legend, opaque: a caption saying what the bar shows, the share of
    // cells of each value over the scale as a bar, round values marked under
    // it, and the colours of blank cells and of the outside, each on its own
    // line beside its swatch, and what the grey stripes of the part still
    // being built mean. Its own font and size, whatever the painter's; its
    // ground, lines and text from the palette.
    void PaintLegend(QPainter& painter, const QRect& area, const QString& caption,
                     const QPalette& palette, const QColor& blank, const QColor& outside) const;
    static QSize LegendSize() { return {300, 126}; }

    // Marks at round values, far enough apart on a bar `width` wide.
    std::vector<std::int64_t> Marks(int width, int spacing) const;

private:
    // Fine enough that values a least share apart never share a shade.
    static constexpr std::size_t Steps = 4096;
    // How far apart on the scale, in colour difference, neighbouring values
    // stand at least: twice the least difference seen side by side, so that
    // it stays visible once the shades are rounded to whole channel values.
    static constexpr double VisibleStep = 2.0;

public:
    // The shades, evenly different to the eye, and the colour difference
    // from the first to the last along them.
    struct TRamp {
        std::vector<QRgb> shades;
        double length = 0;
    };

private:
    static const TRamp& Ramp();
    // The shade at a place on the scale, from 0 to 1.
    QRgb AtPlace(double place) const
    {
        const double step = place * (Steps - 1) + 0.5;
        return shades_[static_cast<std::size_t>(step < 0           ? 0
                                                : step > Steps - 1 ? Steps - 1
                                                                   : step)];
    }
    // In the painter's pen.
    void PaintMarks(QPainter& painter, const QRect& bar) const;
    void PaintHistogram(QPainter& painter, const QRect& area, const QColor& bars) const;
    // A swatch of the colour with its name beside it.
    static void PaintKey(QPainter& painter, const QRect& line, const QColor& colour,
                         const QString& name, const QPalette& palette);

    // The ramp's shades, looked up once: a map asks for one every pixel.
    const QRgb* shades_ = Ramp().shades.data();
    std::int64_t low_;
    std::int64_t high_;
    // Position of each whole value from low_ on, when counts were given.
    std::vector<double> positions_;
    // Cells of each whole value from low_ on, where known.
    std::vector<std::uint64_t> counts_;
    bool linear_ = false;
    bool zeroShares_ = false;
};

// How different two colours look: their distance in CIE L*a*b* (1976),
// where about 1 is the least difference a person sees side by side.
double ColourDifference(QRgb a, QRgb b);

} // namespace quorva

#pragma once

#include <QColor>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QFontMetrics;
class QPainter;

namespace quorva {

class TTriangleGrid;

// Shades values on a dark-blue-to-yellow scale whose lightness rises
// steadily, so larger values read lighter in colour and in grey alike.
//
// A triangle's differences crowd towards small values, so an even scale
// would paint nearly all of it the same dark shade. Where the count of each
// value is known, a value's place on the scale is the share of cells below
// it (each value then takes as much of the scale as it has cells); otherwise
// its place grows with the logarithm of its distance from the smallest.
class TColourScale {
public:
    // The scale for a grid's values.
    explicit TColourScale(const TTriangleGrid& grid);
    // `counts[v]` cells hold low + v; empty for the logarithmic scale.
    TColourScale(std::int64_t low, std::int64_t high, const std::vector<std::uint64_t>& counts);

    std::int64_t Low() const { return low_; }
    std::int64_t High() const { return high_; }
    QRgb Of(double value) const { return shades_[ShadeIndex(value)]; }
    // Where the value stands on the scale, from 0 to 1.
    double Position(double value) const;
    // The value that stands nearest to a place on the scale.
    std::int64_t ValueAt(double place) const;
    // Black or white, whichever reads better on the value's shade.
    static QColor TextOn(QRgb shade);

    // The legend: the scale as a bar, values marked under it, and a caption.
    void PaintLegend(QPainter& painter, const QRect& area, const QString& caption) const;
    // Room the legend needs in the given painter's font.
    static QSize LegendSize(const QFontMetrics& metrics);

private:
    static constexpr int Steps = 256;

    std::size_t ShadeIndex(double value) const
    {
        const double step = Position(value) * (Steps - 1) + 0.5;
        return static_cast<std::size_t>(step < 0 ? 0 : step > Steps - 1 ? Steps - 1 : step);
    }
    void PaintMarks(QPainter& painter, const QRect& bar) const;

    std::int64_t low_;
    std::int64_t high_;
    // Position of each whole value from low_ on, when counts were given.
    std::vector<double> positions_;
    std::array<QRgb, Steps> shades_{};
};

} // namespace quorva

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
//
// The linear scale instead spreads the values evenly, from 0 to 99 or as far
// beyond as the grid's values reach.
class TColourScale {
public:
    enum class TKind { ByShare, Linear };

    // The scale for a grid's values.
    explicit TColourScale(const TTriangleGrid& grid, TKind kind = TKind::ByShare);
    // `counts[v]` cells hold low + v; empty for the logarithmic scale.
    TColourScale(std::int64_t low, std::int64_t high, const std::vector<std::uint64_t>& counts,
                 TKind kind = TKind::ByShare);

    // What the user picks the scale by: "By share of cells", "Linear 0–99".
    static QString KindName(TKind kind);

    QRgb Of(double value) const { return shades_[ShadeIndex(value)]; }
    // Where the value stands on the scale, from 0 to 1.
    double Position(double value) const;
    // Black or white, whichever reads better on the value's shade.
    static QColor TextOn(QRgb shade);

    // The legend: the share of cells of each value over the scale as a bar,
    // round values marked under it, the colours of blank cells and of the
    // outside, and a caption. Its own font and size, whatever the painter's.
    void PaintLegend(QPainter& painter, const QRect& area, const QString& caption,
                     const QColor& blank, const QColor& outside) const;
    static QSize LegendSize() { return {300, 104}; }

    // Marks at round values, far enough apart on a bar `width` wide.
    std::vector<std::int64_t> Marks(int width, int spacing) const;

private:
    static constexpr int Steps = 256;

    std::size_t ShadeIndex(double value) const
    {
        const double step = Position(value) * (Steps - 1) + 0.5;
        return static_cast<std::size_t>(step < 0 ? 0 : step > Steps - 1 ? Steps - 1 : step);
    }
    void PaintMarks(QPainter& painter, const QRect& bar) const;
    void PaintHistogram(QPainter& painter, const QRect& area) const;
    void PaintKey(QPainter& painter, const QRect& line, const QColor& blank,
                  const QColor& outside) const;

    std::int64_t low_;
    std::int64_t high_;
    // Position of each whole value from low_ on, when counts were given.
    std::vector<double> positions_;
    // Cells of each whole value from low_ on, where known.
    std::vector<std::uint64_t> counts_;
    bool linear_ = false;
    std::array<QRgb, Steps> shades_{};
};

} // namespace quorva

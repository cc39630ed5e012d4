#pragma once

#include <QColor>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>

class QFontMetrics;
class QPainter;

namespace quorva {

// Shades values from `low` to `high` on a dark-blue-to-yellow scale whose
// lightness rises steadily, so that larger values read as lighter in colour
// and in grey alike.
class TColourScale {
public:
    TColourScale(std::int64_t low, std::int64_t high);

    std::int64_t Low() const { return low_; }
    std::int64_t High() const { return high_; }
    QRgb Of(double value) const
    {
        const double step = (value - static_cast<double>(low_)) * stepsPerUnit_ + 0.5;
        return shades_[static_cast<std::size_t>(step < 0           ? 0
                                                : step > Steps - 1 ? Steps - 1
                                                                   : step)];
    }
    // Black or white, whichever reads better on the value's shade.
    static QColor TextOn(QRgb shade);

    // The legend: the scale as a bar with its two ends labelled and the
    // caption between them.
    void PaintLegend(QPainter& painter, const QRect& area, const QString& caption) const;
    // Room the legend needs in the given painter's font.
    static QSize LegendSize(const QFontMetrics& metrics);

private:
    static constexpr int Steps = 256;

    std::int64_t low_;
    std::int64_t high_;
    double stepsPerUnit_;
    std::array<QRgb, Steps> shades_{};
};

} // namespace quorva

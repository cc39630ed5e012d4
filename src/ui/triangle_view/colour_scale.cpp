#include "ui/triangle_view/colour_scale.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "triangle/triangle_grid.h"

namespace quorva {
namespace {

// Anchor colours of the scale, evenly spaced along it.
constexpr std::array<QRgb, 5> Anchors = {0x440154, 0x3b528b, 0x21918c, 0x5ec962, 0xfde725};

QRgb Blend(QRgb from, QRgb to, double t)
{
    auto channel = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    return qRgb(channel(qRed(from), qRed(to)), channel(qGreen(from), qGreen(to)),
                channel(qBlue(from), qBlue(to)));
}

QRgb ShadeAt(double position)
{
    const double scaled = position * double(Anchors.size() - 1);
    const auto anchor = std::min<std::size_t>(static_cast<std::size_t>(scaled), Anchors.size() - 2);
    return Blend(Anchors[anchor], Anchors[anchor + 1], scaled - static_cast<double>(anchor));
}

// Counts of the values low .. high, trimmed to the values that occur.
std::vector<std::uint64_t> GridCounts(const TTriangleGrid& grid)
{
    const auto& counts = grid.ValueCounts();
    if (counts.empty() || grid.Whole().Empty())
        return {};
    return {counts.begin() + grid.Whole().min, counts.begin() + grid.Whole().max + 1};
}

} // namespace

TColourScale::TColourScale(const TTriangleGrid& grid)
    : TColourScale(grid.Whole().Empty() ? 0 : grid.Whole().min,
                   grid.Whole().Empty() ? 0 : grid.Whole().max, GridCounts(grid))
{
}

TColourScale::TColourScale(std::int64_t low, std::int64_t high,
                           const std::vector<std::uint64_t>& counts)
    : low_(low), high_(std::max(high, low))
{
    for (int i = 0; i < Steps; ++i)
        shades_[static_cast<std::size_t>(i)] = ShadeAt(i / double(Steps - 1));
    std::uint64_t total = 0;
    for (std::uint64_t count : counts)
        total += count;
    if (total == 0 || counts.size() < 2)
        return;
    // Each value sits in the middle of its share, so that the smallest
    // and the largest do not both fall off the ends.
    std::uint64_t below = 0;
    for (std::uint64_t count : counts) {
        positions_.push_back((static_cast<double>(below) + count / 2.0) /
                             static_cast<double>(total));
        below += count;
    }
}

double TColourScale::Position(double value) const
{
    if (high_ == low_)
        return 0;
    const double offset =
        std::clamp(value - static_cast<double>(low_), 0.0, static_cast<double>(high_ - low_));
    if (positions_.empty())
        return std::log1p(offset) / std::log1p(static_cast<double>(high_ - low_));
    // Between two whole values, as a block's mean may be, in proportion.
    const auto below = std::min(static_cast<std::size_t>(offset), positions_.size() - 1);
    const std::size_t above = std::min(below + 1, positions_.size() - 1);
    const double t = offset - static_cast<double>(below);
    return positions_[below] + (positions_[above] - positions_[below]) * t;
}

std::int64_t TColourScale::ValueAt(double place) const
{
    if (positions_.empty())
        return low_ +
               std::llround(std::expm1(place * std::log1p(static_cast<double>(high_ - low_))));
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < positions_.size(); ++i)
        if (std::abs(positions_[i] - place) < std::abs(positions_[nearest] - place))
            nearest = i;
    return low_ + static_cast<std::int64_t>(nearest);
}

QColor TColourScale::TextOn(QRgb shade)
{
    return qGray(shade) > 140 ? Qt::black : Qt::white;
}

QSize TColourScale::LegendSize(const QFontMetrics& metrics)
{
    return {metrics.horizontalAdvance(QLatin1Char('0')) * 34, metrics.height() * 3 + 14};
}

void TColourScale::PaintLegend(QPainter& painter, const QRect& area, const QString& caption) const
{
    painter.save();
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRect(area.adjusted(0, 0, -1, -1));

    const int lineHeight = painter.fontMetrics().height();
    const QRect bar(area.left() + 10, area.top() + 5, area.width() - 20, lineHeight);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    for (std::size_t i = 0; i < Anchors.size(); ++i)
        gradient.setColorAt(static_cast<double>(i) / double(Anchors.size() - 1),
                            QColor(Anchors[i]));
    painter.fillRect(bar, gradient);
    PaintMarks(painter, bar);

    painter.setPen(Qt::black);
    painter.drawText(QRect(area.left(), bar.bottom() + 4 + lineHeight, area.width(), lineHeight),
                     Qt::AlignCenter, caption);
    painter.restore();
}

void TColourScale::PaintMarks(QPainter& painter, const QRect& bar) const
{
    // The values at a few evenly spaced places of the bar; with an uneven
    // scale these show how much of it each range of values takes.
    painter.setPen(Qt::black);
    const QFontMetrics metrics = painter.fontMetrics();
    int freeFrom = bar.left() - metrics.horizontalAdvance(QLatin1Char('0')) * 20;
    std::int64_t previous = low_ - 1;
    for (int mark = 0; mark <= 4; ++mark) {
        const std::int64_t value = ValueAt(mark / 4.0);
        if (value == previous)
            continue;
        const int x =
            bar.left() + static_cast<int>(std::lround(Position(double(value)) * bar.width()));
        const QString text = QString::number(value);
        const int width = metrics.horizontalAdvance(text);
        const int left = std::clamp(x - width / 2, bar.left() - 6, bar.right() + 6 - width);
        if (left < freeFrom)
            continue;
        painter.drawLine(x, bar.bottom() + 1, x, bar.bottom() + 3);
        painter.drawText(QRect(left, bar.bottom() + 3, width, metrics.height()), Qt::AlignCenter,
                         text);
        freeFrom = left + width + metrics.horizontalAdvance(QLatin1Char(' '));
        previous = value;
    }
}

} // namespace quorva

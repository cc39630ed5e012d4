#include "ui/triangle_view/colour_scale.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

#include "triangle/triangle_grid.h"

namespace quorva {
namespace {

// Anchor colours of the scale, evenly spaced along it: from near black
// through purple, blue, teal and green to yellow, lightness rising all the
// way. Black and strong colours make the scale long enough to the eye for a
// hundred values to look apart, and for the few values that fill most cells
// to stand far apart still.
constexpr std::array<QRgb, 6> Anchors = {0x000004, 0x52007a, 0x1f4fc4,
                                         0x00a0a8, 0x56d040, 0xffe91a};

// Red, green and blue from 0 to 255, not yet rounded.
using TRgb = std::array<double, 3>;

TRgb Channels(QRgb colour)
{
    return {double(qRed(colour)), double(qGreen(colour)), double(qBlue(colour))};
}

TRgb PathAt(double position)
{
    const double scaled = position * double(Anchors.size() - 1);
    const auto anchor = std::min<std::size_t>(static_cast<std::size_t>(scaled), Anchors.size() - 2);
    const double t = scaled - static_cast<double>(anchor);
    const TRgb from = Channels(Anchors[anchor]);
    const TRgb to = Channels(Anchors[anchor + 1]);
    return {from[0] + (to[0] - from[0]) * t, from[1] + (to[1] - from[1]) * t,
            from[2] + (to[2] - from[2]) * t};
}

TRgb Lab(const TRgb& colour)
{
    auto linear = [](double channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double r = linear(colour[0]);
    const double g = linear(colour[1]);
    const double b = linear(colour[2]);
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
    const double x = f((0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047);
    const double y = f(0.2126 * r + 0.7152 * g + 0.0722 * b);
    const double z = f((0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883);
    return {116 * y - 16, 500 * (x - y), 200 * (y - z)};
}

double Difference(const TRgb& a, const TRgb& b)
{
    const TRgb first = Lab(a);
    const TRgb second = Lab(b);
    return std::hypot(first[0] - second[0], first[1] - second[1], first[2] - second[2]);
}

// The shades along the anchors' path, spaced by how different they look
// rather than by their distance in RGB: the path's blues change little to
// the eye where its greens change much, so even steps of the scale would
// otherwise tell some values apart far worse than others.
TColourScale::TRamp EvenRamp(std::size_t steps)
{
    constexpr std::size_t Samples = 1024;
    std::vector<double> along{0};
    for (std::size_t i = 1; i <= Samples; ++i)
        along.push_back(along.back() +
                        Difference(PathAt(double(i - 1) / Samples), PathAt(double(i) / Samples)));
    TColourScale::TRamp ramp{{}, along.back()};
    for (std::size_t i = 0; i < steps; ++i) {
        const double wanted = along.back() * double(i) / double(steps - 1);
        const auto after =
            std::max(std::lower_bound(along.begin(), along.end(), wanted), along.begin() + 1);
        const double t = (wanted - after[-1]) / (after[0] - after[-1]);
        const TRgb rgb = PathAt((double(after - along.begin()) - 1 + t) / Samples);
        ramp.shades.push_back(
            qRgb(int(std::lround(rgb[0])), int(std::lround(rgb[1])), int(std::lround(rgb[2]))));
    }
    return ramp;
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

double ColourDifference(QRgb a, QRgb b)
{
    return Difference(Channels(a), Channels(b));
}

const TColourScale::TRamp& TColourScale::Ramp()
{
    static const TRamp ramp = EvenRamp(Steps);
    return ramp;
}

TColourScale::TColourScale(const TTriangleGrid& grid, TKind kind)
    : TColourScale(grid.Whole().Empty() ? 0 : grid.Whole().min,
                   grid.Whole().Empty() ? 0 : grid.Whole().max, GridCounts(grid), kind)
{
}

TColourScale::TColourScale(std::int64_t low, std::int64_t high,
                           const std::vector<std::uint64_t>& counts, TKind kind)
    : low_(low), high_(std::max(high, low)), counts_(counts), zeroShares_(kind == TKind::ZeroShare)
{
    if (kind == TKind::Linear) {
        // From 0 to 99 at least, so that a value reads the same in any view.
        const std::int64_t from = std::min<std::int64_t>(low_, 0);
        const std::int64_t to = std::max<std::int64_t>(high_, 99);
        counts_.insert(counts_.begin(), static_cast<std::size_t>(low_ - from), 0);
        counts_.resize(static_cast<std::size_t>(to - from + 1));
        if (counts.empty())
            counts_.clear();
        low_ = from;
        high_ = to;
        linear_ = true;
        return;
    }
    std::uint64_t total = 0;
    std::size_t present = 0;
    for (std::uint64_t count : counts) {
        total += count;
        present += count > 0;
    }
    if (total == 0 || counts.size() < 2)
        return;
    // Every value present takes the least share that looks different, so
    // that a value of a few cells still stands apart from its neighbours
    // beside values of billions (with more values than the scale can hold
    // apart, an equal share each); what is left is shared out by the cells'
    // counts. Each value
    // sits in the middle of its share, so that the smallest and the largest
    // do not both fall off the ends.
    const double least = std::min(VisibleStep / Ramp().length, 1 / static_cast<double>(present));
    const double perCell = (1 - least * static_cast<double>(present)) / static_cast<double>(total);
    double below = 0;
    for (std::uint64_t count : counts) {
        const double share = count == 0 ? 0 : least + perCell * static_cast<double>(count);
        positions_.push_back(below + share / 2);
        below += share;
    }
}

double TColourScale::Position(double value) const
{
    if (high_ == low_)
        return 0;
    const double offset =
        std::clamp(value - static_cast<double>(low_), 0.0, static_cast<double>(high_ - low_));
    if (linear_)
        return offset / static_cast<double>(high_ - low_);
    if (positions_.empty())
        return std::log1p(offset) / std::log1p(static_cast<double>(high_ - low_));
    // Between two whole values, as a block's mean may be, in proportion.
    const auto below = std::min(static_cast<std::size_t>(offset), positions_.size() - 1);
    const std::size_t above = std::min(below + 1, positions_.size() - 1);
    const double t = offset - static_cast<double>(below);
    return positions_[below] + (positions_[above] - positions_[below]) * t;
}

QString TColourScale::KindName(TKind kind)
{
    switch (kind) {
    case TKind::Linear:
        return QStringLiteral("Linear 0\u201399");
    case TKind::ZeroShare:
        return QStringLiteral("Share of zero cells");
    case TKind::ByShare:
        break;
    }
    return QStringLiteral("By share of cells");
}

QColor TColourScale::TextOn(QRgb shade)
{
    return qGray(shade) > 140 ? Qt::black : Qt::white;
}

void TColourScale::PaintLegend(QPainter& painter, const QRect& area, const QString& caption,
                               const QPalette& palette, const QColor& blank,
                               const QColor& outside) const
{
    painter.save();
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    // Opaque, so that no cell shows through and reads as part of it.
    painter.setPen(palette.color(QPalette::Mid));
    painter.setBrush(palette.color(QPalette::Base));
    painter.drawRect(area.adjusted(0, 0, -1, -1));

    // One line each, top to bottom: what the bar shows, the share of cells
    // over the bar, the bar with its marks, and the colours that are no value.
    const int lineHeight = painter.fontMetrics().height();
    const int left = area.left() + 10;
    const int width = area.width() - 20;
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(QRect(left, area.top() + 4, width, lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, caption);
    const QRect histogram(left, area.top() + 4 + lineHeight + 2, width, 22);
    QColor bars = palette.color(QPalette::Text);
    bars.setAlpha(175);
    PaintHistogram(painter, histogram, bars);
    const QRect bar(left, histogram.bottom() + 1, width, 12);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    constexpr int Stops = 32;
    for (int i = 0; i < Stops; ++i)
        gradient.setColorAt(i / double(Stops - 1), QColor(AtPlace(i / double(Stops - 1))));
    painter.fillRect(bar, gradient);
    painter.setPen(palette.color(QPalette::Text));
    PaintMarks(painter, bar);

    int top = bar.bottom() + 4 + lineHeight + 4;
    for (const auto& [colour, name] :
         {std::pair{blank, QStringLiteral("blank")},
          std::pair{outside, QStringLiteral("outside the triangle")}}) {
        PaintKey(painter, QRect(left, top, width, lineHeight), colour, name, palette);
        top += lineHeight + 2;
    }
    // The part a worker is still building has no colour of its own to key.
    painter.drawText(QRect(left, top, width, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("grey stripes: still being built"));
    painter.restore();
}

void TColourScale::PaintHistogram(QPainter& painter, const QRect& area, const QColor& bars) const
{
    // The share of cells of each value, over where the value stands on the
    // bar; square-rooted, so that rare values still show.
    if (counts_.empty())
        return;
    const std::uint64_t most = *std::max_element(counts_.begin(), counts_.end());
    if (most == 0)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(bars);
    for (std::size_t i = 0; i < counts_.size(); ++i) {
        if (counts_[i] == 0)
            continue;
        const double value = static_cast<double>(low_) + static_cast<double>(i);
        // The ends of the bar belong to the smallest and the largest value.
        const double left = (i == 0 ? 0.0 : Position(value - 0.5)) * area.width();
        const double right = (i + 1 == counts_.size() ? 1.0 : Position(value + 0.5)) * area.width();
        const double height =
            std::max(1.0, std::sqrt(double(counts_[i]) / double(most)) * area.height());
        // A gap between wide bars tells neighbouring values apart.
        const double width = right - left > 3 ? right - left - 1 : std::max(1.0, right - left);
        painter.drawRect(QRectF(area.left() + left, area.bottom() + 1 - height, width, height));
    }
}

void TColourScale::PaintKey(QPainter& painter, const QRect& line, const QColor& colour,
                            const QString& name, const QPalette& palette)
{
    const int box = line.height() - 4;
    painter.setPen(palette.color(QPalette::Mid));
    painter.setBrush(colour);
    painter.drawRect(line.left(), line.top() + 2, box, box);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(
        QRect(line.left() + box + 6, line.top(), line.width() - box - 6, line.height()),
        Qt::AlignLeft | Qt::AlignVCenter, name);
}

std::vector<std::int64_t> TColourScale::Marks(int width, int spacing) const
{
    // Round values (multiples of 1, 2 or 5 times a power of ten), the
    // roundest first, each where it stands `spacing` clear of those already
    // marked: on an uneven scale the finer ones fill the stretched parts.
    const std::int64_t range = high_ - low_;
    std::vector<std::int64_t> steps;
    for (std::int64_t power = 1; power <= std::max<std::int64_t>(range, 1); power *= 10)
        for (const std::int64_t step : {power, 2 * power, 5 * power})
            if (step <= std::max<std::int64_t>(range, 1) && step * 1000 >= range)
                steps.push_back(step);
    std::vector<std::pair<double, std::int64_t>> marks;
    auto clear = [&](double place) {
        return std::all_of(marks.begin(), marks.end(), [&](const auto& mark) {
            return std::abs(mark.first - place) >= spacing;
        });
    };
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        const std::int64_t first =
            low_ >= 0 ? (low_ + *step - 1) / *step * *step : low_ / *step * *step;
        for (std::int64_t value = first; value <= high_; value += *step)
            if (const double place = Position(double(value)) * width; clear(place))
                marks.emplace_back(place, value);
    }
    std::sort(marks.begin(), marks.end());
    std::vector<std::int64_t> values;
    for (const auto& mark : marks)
        values.push_back(mark.second);
    return values;
}

void TColourScale::PaintMarks(QPainter& painter, const QRect& bar) const
{
    const QFontMetrics metrics = painter.fontMetrics();
    for (const std::int64_t value : Marks(bar.width(), metrics.horizontalAdvance("0000"))) {
        const int x =
            bar.left() + static_cast<int>(std::lround(Position(double(value)) * bar.width()));
        const QString text = QString::number(value);
        const int width = metrics.horizontalAdvance(text);
        const int left = std::clamp(x - width / 2, bar.left() - 6, bar.right() + 6 - width);
        painter.drawLine(x, bar.bottom() + 1, x, bar.bottom() + 3);
        painter.drawText(QRect(left, bar.bottom() + 3, width, metrics.height()), Qt::AlignCenter,
                         text);
    }
}

} // namespace quorva

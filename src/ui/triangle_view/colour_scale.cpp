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

TColourScale::TColourScale(const TTriangleGrid& grid, TKind kind)
    : TColourScale(grid.Whole().Empty() ? 0 : grid.Whole().min,
                   grid.Whole().Empty() ? 0 : grid.Whole().max, GridCounts(grid), kind)
{
}

TColourScale::TColourScale(std::int64_t low, std::int64_t high,
                           const std::vector<std::uint64_t>& counts, TKind kind)
    : low_(low), high_(std::max(high, low)), counts_(counts)
{
    for (int i = 0; i < Steps; ++i)
        shades_[static_cast<std::size_t>(i)] = ShadeAt(i / double(Steps - 1));
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
    return kind == TKind::Linear ? QStringLiteral("Linear 0\u201399")
                                 : QStringLiteral("By share of cells");
}

QColor TColourScale::TextOn(QRgb shade)
{
    return qGray(shade) > 140 ? Qt::black : Qt::white;
}

void TColourScale::PaintLegend(QPainter& painter, const QRect& area, const QString& caption,
                               const QColor& blank, const QColor& outside) const
{
    painter.save();
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRect(area.adjusted(0, 0, -1, -1));

    const int lineHeight = painter.fontMetrics().height();
    const QRect histogram(area.left() + 10, area.top() + 6, area.width() - 20, 22);
    PaintHistogram(painter, histogram);
    const QRect bar(histogram.left(), histogram.bottom() + 1, histogram.width(), 12);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    for (std::size_t i = 0; i < Anchors.size(); ++i)
        gradient.setColorAt(static_cast<double>(i) / double(Anchors.size() - 1),
                            QColor(Anchors[i]));
    painter.fillRect(bar, gradient);
    PaintMarks(painter, bar);

    const int keyTop = bar.bottom() + 4 + lineHeight + 2;
    PaintKey(painter, QRect(bar.left(), keyTop, bar.width(), lineHeight), blank, outside);
    painter.setPen(Qt::black);
    painter.drawText(QRect(area.left(), keyTop + lineHeight, area.width(), lineHeight),
                     Qt::AlignCenter, caption);
    painter.restore();
}

void TColourScale::PaintHistogram(QPainter& painter, const QRect& area) const
{
    // The share of cells of each value, over where the value stands on the
    // bar; square-rooted, so that rare values still show.
    if (counts_.empty())
        return;
    const std::uint64_t most = *std::max_element(counts_.begin(), counts_.end());
    if (most == 0)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x50, 0x50, 0x50));
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

void TColourScale::PaintKey(QPainter& painter, const QRect& line, const QColor& blank,
                            const QColor& outside) const
{
    const int box = line.height() - 4;
    int x = line.left();
    for (const auto& [colour, name] :
         {std::pair{blank, QStringLiteral("blank")},
          std::pair{outside, QStringLiteral("outside the triangle")}}) {
        painter.setPen(QColor(0x60, 0x60, 0x60));
        painter.setBrush(colour);
        painter.drawRect(x, line.top() + 2, box, box);
        painter.setPen(Qt::black);
        const int width = painter.fontMetrics().horizontalAdvance(name);
        painter.drawText(QRect(x + box + 4, line.top(), width, line.height()), Qt::AlignVCenter,
                         name);
        x += box + 4 + width + 16;
    }
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
    painter.setPen(Qt::black);
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

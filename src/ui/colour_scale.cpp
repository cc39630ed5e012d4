#include "ui/colour_scale.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quorva {
namespace {

// Anchor colours of the scale, evenly spaced from low to high.
constexpr std::array<QRgb, 5> Anchors = {0x440154, 0x3b528b, 0x21918c, 0x5ec962, 0xfde725};

QRgb Blend(QRgb from, QRgb to, double t)
{
    auto channel = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    return qRgb(channel(qRed(from), qRed(to)), channel(qGreen(from), qGreen(to)),
                channel(qBlue(from), qBlue(to)));
}

} // namespace

TColourScale::TColourScale(std::int64_t low, std::int64_t high)
    : low_(low), high_(std::max(high, low)),
      stepsPerUnit_(high_ > low_ ? (Steps - 1) / static_cast<double>(high_ - low_) : 0)
{
    for (int i = 0; i < Steps; ++i) {
        const double position = i * double(Anchors.size() - 1) / (Steps - 1);
        const std::size_t anchor =
            std::min<std::size_t>(static_cast<std::size_t>(position), Anchors.size() - 2);
        shades_[static_cast<std::size_t>(i)] =
            Blend(Anchors[anchor], Anchors[anchor + 1], position - static_cast<double>(anchor));
    }
}

QColor TColourScale::TextOn(QRgb shade)
{
    return qGray(shade) > 140 ? Qt::black : Qt::white;
}

QSize TColourScale::LegendSize(const QFontMetrics& metrics)
{
    return {metrics.horizontalAdvance(QLatin1Char('0')) * 30, metrics.height() * 2 + 12};
}

void TColourScale::PaintLegend(QPainter& painter, const QRect& area, const QString& caption) const
{
    painter.save();
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRect(area.adjusted(0, 0, -1, -1));

    const int lineHeight = painter.fontMetrics().height();
    const QRect bar(area.left() + 6, area.top() + 4, area.width() - 12, lineHeight);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    for (std::size_t i = 0; i < Anchors.size(); ++i)
        gradient.setColorAt(static_cast<double>(i) / double(Anchors.size() - 1),
                            QColor(Anchors[i]));
    painter.fillRect(bar, gradient);

    const QRect labels(bar.left(), bar.bottom() + 3, bar.width(), lineHeight);
    painter.setPen(Qt::black);
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignVCenter, QString::number(low_));
    painter.drawText(labels, Qt::AlignHCenter | Qt::AlignVCenter, caption);
    painter.drawText(labels, Qt::AlignRight | Qt::AlignVCenter, QString::number(high_));
    painter.restore();
}

} // namespace quorva

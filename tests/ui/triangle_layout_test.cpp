// The view's geometry without a window: anchored zoom and the focused cell.

#include <QtTest>

#include <cmath>

#include "ui/triangle_view/triangle_layout.h"

using namespace quorva;

class TTriangleLayoutTest : public QObject {
    Q_OBJECT

private slots:
    // Zoom keeps the cell under the anchor there (to a pixel's worth where a
    // pixel shows several), and a focused cell in view stays wholly in view,
    // however near the edge it stood.
    void zoomKeepsTheAnchorAndTheFocus_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QPointF>("anchor");
        QTest::addColumn<QPoint>("focus");
        QTest::newRow("in to full size at the left edge")
            << 20.0 << 4.0 << QPointF(3, 300) << QPoint(0, 700);
        QTest::newRow("in at the bottom right")
            << 10.0 << 3.0 << QPointF(637, 477) << QPoint(1900, 1000);
        QTest::newRow("out past one pixel a cell")
            << 1.2 << 0.5 << QPointF(320, 240) << QPoint(1000, 900);
        QTest::newRow("in from far out") << 0.1 << 8.0 << QPointF(100, 50) << QPoint(800, 100);
    }

    void zoomKeepsTheAnchorAndTheFocus()
    {
        QFETCH(double, start);
        QFETCH(double, factor);
        QFETCH(QPointF, anchor);
        QFETCH(QPoint, focus);
        TTriangleLayout layout;
        layout.SetExtent(3999, 2000);
        layout.SetViewport(QSize(640, 480));
        layout.ZoomTo(start, QPointF(0, 0));
        layout.Reveal(layout.CellRect(std::size_t(focus.y()), std::size_t(focus.x())));

        TTriangleLayout pointer = layout;
        const QPoint before = pointer.CellAt(anchor);
        pointer.ZoomBy(factor, anchor);
        const QPoint after = pointer.CellAt(anchor);
        const int slack = int(std::ceil(1 / std::min(start, pointer.CellSize()))) - 1;
        QVERIFY(std::abs(after.x() - before.x()) <= slack);
        QVERIFY(std::abs(after.y() - before.y()) <= slack);

        TTriangleLayout keys = layout;
        QVERIFY(keys.Shows(keys.CellRect(std::size_t(focus.y()), std::size_t(focus.x()))));
        keys.ZoomAround(factor, std::size_t(focus.y()), std::size_t(focus.x()));
        QVERIFY(keys.Shows(keys.CellRect(std::size_t(focus.y()), std::size_t(focus.x()))));
    }
};

QTEST_APPLESS_MAIN(TTriangleLayoutTest)
#include "triangle_layout_test.moc"

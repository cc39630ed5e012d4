#pragma once

#include <QObject>

#include <memory>
#include <thread>

namespace quorva {

class TTriangleGrid;

// Fills the rest of a grid on a worker thread while the view shows what is
// ready, and says so on the view's own thread, now and then and once at the
// end. The worker lives as long as the refiner: going, the refiner stops it
// wherever it is and joins it.
class TGridRefiner : public QObject {
    Q_OBJECT

public:
    explicit TGridRefiner(std::shared_ptr<TTriangleGrid> grid, QObject* parent = nullptr);
    ~TGridRefiner() override;

signals:
    // More columns are ready; on the thread the refiner belongs to.
    void Refined();

private:
    void Work(std::stop_token stop) noexcept;

    std::shared_ptr<TTriangleGrid> grid_;
    std::jthread worker_;
};

} // namespace quorva

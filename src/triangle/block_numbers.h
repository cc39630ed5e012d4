#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace quorva {

// Numbers of one kind (sums, counts or zeros) of a row of blocks, each in
// the narrowest of one, two, four or eight bytes that holds the largest a
// block can have, or none kept at all. Left unzeroed: every number is
// written before anything reads it.
class TBlockNumbers {
public:
    // Bytes a number takes that can be as large as `largest`.
    static unsigned WidthFor(std::uint64_t largest)
    {
        return largest <= UINT8_MAX ? 1 : largest <= UINT16_MAX ? 2 : largest <= UINT32_MAX ? 4 : 8;
    }

    TBlockNumbers() = default;
    // `count` numbers of `width` bytes each; none when `width` is 0.
    TBlockNumbers(std::size_t count, unsigned width) : width_(width)
    {
        switch (width) {
        case 1:
            ones_.reset(new std::uint8_t[count]);
            break;
        case 2:
            twos_.reset(new std::uint16_t[count]);
            break;
        case 4:
            fours_.reset(new std::uint32_t[count]);
            break;
        case 8:
            eights_.reset(new std::uint64_t[count]);
            break;
        default:
            width_ = 0;
        }
    }

    bool Kept() const { return width_ != 0; }
    // Number `index`, of numbers that are kept.
    std::uint64_t Get(std::size_t index) const
    {
        switch (width_) {
        case 1:
            return ones_[index];
        case 2:
            return twos_[index];
        case 4:
            return fours_[index];
        default:
            return eights_[index];
        }
    }
    // Calls f with a pointer to the numbers as their own type; not at all
    // when none are kept. So a loop over them holds no choice of width.
    template <class F> void Visit(F f) const { VisitOf(*this, f); }
    template <class F> void Visit(F f) { VisitOf(*this, f); }

private:
    template <class Self, class F> static void VisitOf(Self& self, F f)
    {
        auto as = [](auto* numbers) {
            using T = std::remove_pointer_t<decltype(numbers)>;
            return static_cast<std::conditional_t<std::is_const_v<Self>, const T*, T*>>(numbers);
        };
        switch (self.width_) {
        case 1:
            f(as(self.ones_.get()));
            break;
        case 2:
            f(as(self.twos_.get()));
            break;
        case 4:
            f(as(self.fours_.get()));
            break;
        case 8:
            f(as(self.eights_.get()));
            break;
        default:
            break;
        }
    }

    unsigned width_ = 0;
    std::unique_ptr<std::uint8_t[]> ones_;
    std::unique_ptr<std::uint16_t[]> twos_;
    std::unique_ptr<std::uint32_t[]> fours_;
    std::unique_ptr<std::uint64_t[]> eights_;
};

} // namespace quorva

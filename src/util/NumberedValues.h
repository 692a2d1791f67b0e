// The values of a numbered key (File1, File2, ...) as a loop takes them, one read at
// a time: value n + 1 is read only once the loop is done with value n, so a loop that
// changes what is read (a profile entry written, a disk swapped) sees the reads in
// the order a hand-written loop made them.
//
// Two ends, as the script and the record have always been read:
//   FirstEmpty  stops at the first missing or empty value (a missing key reads as
//               empty), and after `highest` when the key has that bound
//   PassEmpty   reads every number from 1 to `highest` and passes over the empty
//               ones; a key without a bound reads nothing this way
//
//   values "a", "b", "", "d":  FirstEmpty            => (1, a) (2, b)
//                              PassEmpty, highest 4  => (1, a) (2, b) (4, d)
#pragma once

#include <functional>
#include <iterator>
#include <string>
#include <utility>

namespace lorvel {

enum class NumberedEnd { FirstEmpty, PassEmpty };

struct NumberedValue {
    int number = 0;
    std::string value;
};

class NumberedValues {
public:
    // read(n): the value of key n, "" when it is missing.
    using Read = std::function<std::string(int number)>;

    explicit NumberedValues(Read read, int highest = 0, NumberedEnd end = NumberedEnd::FirstEmpty)
        : read_(std::move(read)), highest_(highest), end_(end)
    {
    }

    class Iterator {
    public:
        using value_type = NumberedValue;
        using difference_type = std::ptrdiff_t;

        explicit Iterator(const NumberedValues* values) : values_(values) { Advance(1); }
        const NumberedValue& operator*() const { return current_; }
        const NumberedValue* operator->() const { return &current_; }
        Iterator& operator++()
        {
            Advance(current_.number + 1);
            return *this;
        }
        void operator++(int) { ++*this; }
        bool operator==(std::default_sentinel_t) const { return values_ == nullptr; }

    private:
        void Advance(int from)
        {
            const bool bounded = values_->highest_ > 0;
            if (values_->end_ == NumberedEnd::PassEmpty && !bounded) {
                values_ = nullptr;
                return;
            }
            for (int n = from; !bounded || n <= values_->highest_; ++n) {
                std::string value = values_->read_(n);
                if (!value.empty()) {
                    current_ = {n, std::move(value)};
                    return;
                }
                if (values_->end_ == NumberedEnd::FirstEmpty) break;
            }
            values_ = nullptr;
        }

        const NumberedValues* values_;
        NumberedValue current_;
    };

    Iterator begin() const { return Iterator(this); }
    std::default_sentinel_t end() const { return {}; }

private:
    Read read_;
    int highest_;
    NumberedEnd end_;
};

}  // namespace lorvel

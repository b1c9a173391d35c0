// A double that may be absent, in the room of the double alone. A large
// track is held as a vector of points, each with four such values, and
// std::optional<double> takes twice their room. Absent is one NaN payload
// that no reading or arithmetic makes (a signalling NaN; what is read or
// computed is a quiet one), held as bits so that no floating-point register
// quiets it on the way. It reads and assigns as std::optional<double> does.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>

namespace vezuved::maps {

class OptionalDouble {
public:
    OptionalDouble() noexcept = default;
    OptionalDouble(std::nullopt_t) noexcept {}
    OptionalDouble(double value) noexcept { std::memcpy(&bits_, &value, sizeof bits_); }
    OptionalDouble(const std::optional<double>& value) noexcept {
        if (value) *this = *value;
    }

    bool has_value() const noexcept { return bits_ != kAbsent; }
    explicit operator bool() const noexcept { return has_value(); }
    // As std::optional's: only for a value that is there.
    double operator*() const noexcept {
        double value;
        std::memcpy(&value, &bits_, sizeof value);
        return value;
    }
    double value_or(double other) const noexcept { return has_value() ? **this : other; }
    void reset() noexcept { bits_ = kAbsent; }
    operator std::optional<double>() const {
        return has_value() ? std::optional<double>(**this) : std::nullopt;
    }

    friend bool operator==(const OptionalDouble& a, const OptionalDouble& b) noexcept {
        return a.has_value() == b.has_value() && (!a.has_value() || *a == *b);
    }
    friend bool operator!=(const OptionalDouble& a, const OptionalDouble& b) noexcept { return !(a == b); }

private:
    static constexpr uint64_t kAbsent = 0x7FF4A15E0000B5E7u;
    uint64_t bits_ = kAbsent;
};

static_assert(sizeof(OptionalDouble) == sizeof(double), "an optional number takes the room of a double");

}  // namespace vezuved::maps

#pragma once
// The seeded generator of every randomised test: xorshift64*, small and the same on every
// machine, so a seed printed on failure replays the case.

#include <cstdint>

namespace test_support {

class Rng {
  public:
    explicit Rng(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    uint32_t Next32() { return static_cast<uint32_t>(Next() >> 32); }
    // Uniform in [lo, hi].
    int32_t Range(int32_t lo, int32_t hi) {
        return lo + static_cast<int32_t>(Next() % static_cast<uint64_t>(int64_t{hi} - lo + 1));
    }
    bool Coin() { return (Next() >> 63) != 0; }

  private:
    uint64_t m_state;
};

}  // namespace test_support

#pragma once

#include <cstdint>

// The runtime library's pseudo-random generator the site's cache-busting
// numbers come from: a 32-bit linear congruential state, multiplier 22695477,
// increment 1, yielding bits 16 to 30 of each new state. Seeding stores the
// seed and advances once, which is how that runtime behaves and why two draws
// after the same seed always repeat.
class RuntimeRandom {
  public:
    void seed(std::uint32_t seed) {
        m_state = seed;
        advance();
    }
    // A number from 0 to 32767.
    int draw() {
        advance();
        return static_cast<int>((m_state >> 16) & 0x7FFF);
    }
    std::uint32_t state() const { return m_state; }

  private:
    void advance() { m_state = m_state * 22695477u + 1u; }
    std::uint32_t m_state = 1;
};

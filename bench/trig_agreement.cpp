// How often the extended format's own sine and cosine agree, bit for bit,
// with the x87 unit's fsin and fcos: a million random float angles in each
// range. Where they differ, the x87 result is the one that is off (fsin and
// fcos reduce with a 66-bit pi); a few such angles are listed for checking.
// Also how many evaluations needed the wider approximation near a midpoint.
//
//   trig_agreement [angles per range]
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "extended/soft.hpp"
#include "extended/trig.hpp"

namespace {

namespace soft = extended::soft;

long double Fsin(long double x) {
  asm("fsin" : "+t"(x));
  return x;
}
long double Fcos(long double x) {
  asm("fcos" : "+t"(x));
  return x;
}

bool Same(long double hw, const soft::Value& sw) {
  const soft::Bits80 b = soft::ToBits(sw);
  std::uint64_t sig;
  std::uint16_t se;
  std::memcpy(&sig, &hw, 8);
  std::memcpy(&se, reinterpret_cast<const unsigned char*>(&hw) + 8, 2);
  return sig == b.significand && se == b.signExponent;
}

// Distance in units of the last place between two values of one sign and
// binade (enough for near misses).
long long UlpApart(long double hw, const soft::Value& sw) {
  const soft::Bits80 b = soft::ToBits(sw);
  std::uint64_t sig;
  std::uint16_t se;
  std::memcpy(&sig, &hw, 8);
  std::memcpy(&se, reinterpret_cast<const unsigned char*>(&hw) + 8, 2);
  if (se != b.signExponent) return 1LL << 62;
  return static_cast<long long>(sig - b.significand);
}

struct Range {
  const char* name;
  float limit;
};

}  // namespace

int main(int argc, char** argv) {
  const long count = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  const Range ranges[] = {
      {"[-pi/4, pi/4]", 0.78539816f}, {"[-pi, pi]", 3.14159265f}, {"[-100, 100]", 100.0f},
      {"[-1e6, 1e6]", 1e6f},          {"[-1e18, 1e18]", 1e18f},
  };
  std::mt19937_64 random(20261208);
  for (const char* name : {"0.02", "0.01"}) {
    const float x = std::strtof(name, nullptr);
    unsigned flags = 0;
    std::printf("angle %s: sin %s, cos %s\n", name,
                Same(Fsin(x), soft::Sin(x, flags)) ? "equal" : "DIFFERENT",
                Same(Fcos(x), soft::Cos(x, flags)) ? "equal" : "DIFFERENT");
  }
  for (const Range& range : ranges) {
    std::uniform_real_distribution<float> angle(-range.limit, range.limit);
    long sinSame = 0, cosSame = 0, oneUlp = 0;
    const std::uint64_t slowBefore = soft::SlowEvaluations();
    int listed = 0;
    for (long i = 0; i < count; ++i) {
      const float x = angle(random);
      unsigned flags = 0;
      const soft::Value s = soft::Sin(x, flags), c = soft::Cos(x, flags);
      const long double hs = Fsin(x), hc = Fcos(x);
      const bool sOk = Same(hs, s), cOk = Same(hc, c);
      sinSame += sOk;
      cosSame += cOk;
      if (!sOk) oneUlp += std::llabs(UlpApart(hs, s)) == 1;
      if (!cOk) oneUlp += std::llabs(UlpApart(hc, c)) == 1;
      if ((!sOk || !cOk) && listed < 3) {
        std::printf("  differs at 0x%08X (%s)\n", std::bit_cast<std::uint32_t>(x),
                    sOk   ? "cos"
                    : cOk ? "sin"
                          : "both");
        ++listed;
      }
    }
    const long differ = 2 * count - sinSame - cosSame;
    std::printf(
        "%-15s %ld angles: sin equal %.4f%%, cos equal %.4f%%; of %ld differences %ld are 1 ulp; "
        "%llu of %ld evaluations took the wider approximation\n",
        range.name, count, 100.0 * sinSame / count, 100.0 * cosSame / count, differ, oneUlp,
        static_cast<unsigned long long>(soft::SlowEvaluations() - slowBefore), 2 * count);
  }
}

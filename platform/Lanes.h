// Vector lanes: one operation on four or eight vertices at once, with GCC's vector extensions.
//
// Each lane runs exactly the scalar operations in the scalar order and precision, so a result
// computed in lanes equals the scalar result bit for bit (-ffp-contract=off keeps multiplies and
// adds apart). Vectors are passed by const reference and handed back through out-parameters:
// passed by value, a 32-byte vector changes the calling convention between processors with and
// without AVX.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

// The writer stores a vector of packed words by copying its lanes to memory, which gives the
// file's little-endian byte order only on a little-endian machine.
static_assert(std::endian::native == std::endian::little, "lanes are stored to memory as little-endian words");

// Functions that work in lanes are built twice on x86-64: for any processor and for one with
// AVX2; both run the same operations in the same order. Each is written once, as a kernel
// (TARNEX_LANE_KERNEL) that is inlined into both copies, and called through RunLanes, which runs
// the copy that LanesUseAvx2 chose for this processor. That is the one place the choice is made:
// another processor family or compiler adds its copies here, and no caller changes. Elsewhere
// there is one copy, built for the target.
#if defined(__x86_64__) && defined(__GNUC__)
#define TARNEX_AVX2_COPIES 1
#else
#define TARNEX_AVX2_COPIES 0
#endif

#define TARNEX_LANE_KERNEL inline __attribute__((always_inline))

#if TARNEX_AVX2_COPIES
// Whether this processor (and its system) runs AVX2; asked once, and the answer holds for the run.
bool LanesUseAvx2();
#endif

namespace lane_copies {
template <auto& Kernel, typename... Args> void Baseline(Args&&... args)
{
    Kernel(std::forward<Args>(args)...);
}
#if TARNEX_AVX2_COPIES
template <auto& Kernel, typename... Args> __attribute__((target("avx2"))) void Avx2(Args&&... args)
{
    Kernel(std::forward<Args>(args)...);
}
#endif
} // namespace lane_copies

// Runs Kernel(args...) in the copy chosen for this processor.
template <auto& Kernel, typename... Args> inline void RunLanes(Args&&... args)
{
#if TARNEX_AVX2_COPIES
    if (LanesUseAvx2()) {
        lane_copies::Avx2<Kernel>(std::forward<Args>(args)...);
        return;
    }
#endif
    lane_copies::Baseline<Kernel>(std::forward<Args>(args)...);
}

typedef float Float8 __attribute__((vector_size(32)));
typedef float Float4 __attribute__((vector_size(16)));
typedef double Double4 __attribute__((vector_size(32)));
typedef std::int32_t Int4 __attribute__((vector_size(16)));

// Copies consecutive values into lanes and back; the memory need not be aligned.
template <typename Vector, typename Scalar> inline void LoadLanes(const Scalar* from, Vector& lanes)
{
    std::memcpy(&lanes, from, sizeof lanes);
}

template <typename Vector, typename Scalar> inline void StoreLanes(Scalar* to, const Vector& lanes)
{
    std::memcpy(to, &lanes, sizeof lanes);
}

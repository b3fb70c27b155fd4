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

// The writer stores a vector of packed words by copying its lanes to memory, which gives the
// file's little-endian byte order only on a little-endian machine.
static_assert(std::endian::native == std::endian::little, "lanes are stored to memory as little-endian words");

// Functions that work in lanes can be built twice: for any x86-64 processor and for one with
// AVX2, chosen when the program starts; both run the same operations in the same order. Only with
// GCC, and not under the sanitizers, whose run-time is not ready when the choice is made.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define TARNEX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TARNEX_VECTOR_CLONES
#endif

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

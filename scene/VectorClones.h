// Functions that run the same operation on many vertices at once can be built twice: for any
// x86-64 processor and for one with AVX2, chosen when the program starts. Both builds run the same
// single- and double-precision operations in the same order (-ffp-contract=off keeps multiplies and
// adds apart), so their results are identical bit for bit; only the width of a step differs.
#pragma once

// Only with GCC, and not under the sanitizers, whose run-time is not ready yet when the choice
// between the builds is made.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define TARNEX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TARNEX_VECTOR_CLONES
#endif

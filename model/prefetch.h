// A hint to the memory system: fetch the cache line holding p. No effect on results.
#pragma once

namespace segsim {

// Written as an instruction the compiler must keep: a function whose only work is
// __builtin_prefetch counts as free of effects, and its calls may be dropped altogether.
inline void PrefetchLine(const void* p) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 (%0)" : : "r"(p));
#else
  __builtin_prefetch(p);
#endif
}

// Whether PrefetchLine fetches anything. WebAssembly has no such instruction, and there callers
// skip the work of finding the lines they would fetch.
#if defined(__wasm__)
inline constexpr bool kPrefetches = false;
#else
inline constexpr bool kPrefetches = true;
#endif

}  // namespace segsim

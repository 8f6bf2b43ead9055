#include "regstore/Arena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace tarnwell::regstore {
namespace {

// Requests at, one below and one above every block size and the bound of
// requests that share blocks, first in a fresh arena, then after others:
// each keeps what was written into it (an overrun shows here, and at once
// under the sanitizers).
TEST(Arena, RequestsOfEverySizeAroundTheBlockBoundsKeepTheirBytes) {
  constexpr std::size_t H = Arena::kHeader;
  for (std::size_t edge : {Arena::kFirstBlock, 2 * Arena::kFirstBlock,
                           Arena::kLargeRequest, Arena::kLargestBlock,
                           4 * Arena::kLargestBlock}) {
    for (std::size_t size : {edge - H - 1, edge - H, edge - H + 1, edge - 1,
                             edge, edge + 1}) {
      Arena arena;
      std::vector<std::string_view> pieces;
      for (std::size_t n : {size, std::size_t{100}, size, std::size_t{3001}}) {
        auto* p = static_cast<char*>(arena.allocate(n, n % 2 == 1 ? 1 : H));
        std::memset(p, static_cast<int>('a' + pieces.size()), n);
        pieces.emplace_back(p, n);
      }
      for (std::size_t i = 0; i < pieces.size(); ++i) {
        EXPECT_EQ(pieces[i], std::string(pieces[i].size(), 'a' + i)) << size;
      }
    }
  }
  Arena arena;
  EXPECT_THROW((void)arena.allocate(static_cast<std::size_t>(-1) - 8, 8),
               std::bad_alloc);
}

}  // namespace
}  // namespace tarnwell::regstore

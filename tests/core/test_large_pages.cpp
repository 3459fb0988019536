// Large blocks ask for large pages, and get them where the system grants
// them on request.
#include "core/uninitialised_allocator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(LargePages, ALargeBlockIsBackedByLargePagesWhereTheSystemGrantsThemOnRequest) {
    // With "always" every block gets them unasked, with "never" none does:
    // only "madvise" shows whether the block asked.
    if (testsupport::largePageMode() != "madvise") GTEST_SKIP() << "large pages are not granted on request here";
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator places blocks its own way";
#endif
    constexpr std::size_t kBlock = std::size_t{64} << 20;
    const std::size_t before = testsupport::largePageBytes();
    std::vector<char, UninitialisedAllocator<char>> block;
    block.resize(kBlock);
    std::memset(block.data(), 1, block.size());
    // At least a few of its 2 MiB pages (the system may be short of whole
    // free ones).
    EXPECT_GE(testsupport::largePageBytes(), before + (std::size_t{8} << 20));
}

}  // namespace

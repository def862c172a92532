// BlockQueue: order, a full queue, the wrap at the end of its storage, and two threads at once.
#include "block_queue.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

namespace {

using Block = std::array<int16_t, 4>;

Block blockOf(int16_t first) {
  return {first, static_cast<int16_t>(first + 1), static_cast<int16_t>(first + 2),
          static_cast<int16_t>(first + 3)};
}

Block takeFront(BlockQueue& queue) {
  Block block{};
  const int16_t* front = queue.front();
  if (front != nullptr) {
    std::copy(front, front + 4, block.begin());
    queue.pop();
  }
  return block;
}

TEST(BlockQueue, HoldsExactlyItsCapacityAndGivesBlocksBackInOrder) {
  BlockQueue queue(3, 4);
  EXPECT_EQ(queue.front(), nullptr);
  EXPECT_TRUE(queue.push(blockOf(10).data()));
  EXPECT_TRUE(queue.push(blockOf(20).data()));
  EXPECT_TRUE(queue.push(blockOf(30).data()));
  EXPECT_FALSE(queue.push(blockOf(40).data()));

  EXPECT_EQ(takeFront(queue), blockOf(10));
  // The refused block was not kept: the one pushed after it follows 30.
  EXPECT_TRUE(queue.push(blockOf(50).data()));
  EXPECT_FALSE(queue.push(blockOf(60).data()));
  EXPECT_EQ(takeFront(queue), blockOf(20));
  EXPECT_EQ(takeFront(queue), blockOf(30));
  EXPECT_EQ(takeFront(queue), blockOf(50));
  EXPECT_EQ(queue.front(), nullptr);
}

TEST(BlockQueue, WrapsPastTheEndOfItsStorageManyTimes) {
  BlockQueue queue(2, 4);
  ASSERT_TRUE(queue.push(blockOf(0).data()));
  for (int16_t n = 1; n < 20; ++n) {
    ASSERT_TRUE(queue.push(blockOf(static_cast<int16_t>(100 * n)).data())) << "block " << n;
    ASSERT_FALSE(queue.push(blockOf(-1).data())) << "block " << n;
    ASSERT_EQ(takeFront(queue), blockOf(static_cast<int16_t>(100 * (n - 1)))) << "block " << n;
  }
  EXPECT_EQ(takeFront(queue), blockOf(1900));
  EXPECT_EQ(queue.front(), nullptr);
}

// Joins the thread on every way out of the scope, a failed assertion included.
struct Joiner {
  std::thread& thread;
  ~Joiner() {
    if (thread.joinable())
      thread.join();
  }
};

TEST(BlockQueue, AConsumerThreadSeesEveryBlockOfAProducerThreadOnceAndInOrder) {
  constexpr int kBlocks = 20000;
  constexpr int kLength = 64;
  BlockQueue queue(7, kLength);
  std::thread producer([&queue] {
    std::vector<int16_t> block(kLength);
    for (int n = 0; n < kBlocks; ++n) {
      for (int i = 0; i < kLength; ++i) block[i] = static_cast<int16_t>(n * 31 + i);
      while (!queue.push(block.data())) std::this_thread::yield();
    }
  });
  Joiner joiner{producer};

  int torn = 0;
  for (int n = 0; n < kBlocks; ++n) {
    const int16_t* front;
    while ((front = queue.front()) == nullptr) std::this_thread::yield();
    for (int i = 0; i < kLength; ++i) {
      torn += front[i] != static_cast<int16_t>(n * 31 + i);
    }
    queue.pop();
    ASSERT_EQ(torn, 0) << "block " << n;
  }
  producer.join();
  EXPECT_EQ(queue.front(), nullptr);
}

}  // namespace

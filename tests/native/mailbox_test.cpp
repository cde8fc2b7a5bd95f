#include "common/mailbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

struct Owner {
  int wakes = 0;
  std::vector<int> ran;
  std::atomic<bool> stop{false};
  tasks::Mailbox mailbox{[this] { ++wakes; }};
  void Put(int n) {
    mailbox.Put([this, n] { ran.push_back(n); });
  }
};

TEST(Mailbox, ReportsThatArriveTogetherWakeTheOwnerOnceAndRunInOrder) {
  Owner owner;
  std::thread worker([&] {
    for (int n = 0; n < 1000; ++n) owner.Put(n);
  });
  worker.join();
  EXPECT_EQ(owner.wakes, 1);
  owner.mailbox.RunArrived(owner.stop);
  ASSERT_EQ(owner.ran.size(), 1000u);
  for (int n = 0; n < 1000; ++n) EXPECT_EQ(owner.ran[static_cast<std::size_t>(n)], n);
  // Woken with nothing waiting (a message from elsewhere): nothing runs.
  owner.mailbox.RunArrived(owner.stop);
  EXPECT_EQ(owner.ran.size(), 1000u);
}

TEST(Mailbox, AReportPutWhileABatchRunsWakesTheOwnerAgainForTheNextBatch) {
  Owner owner;
  owner.mailbox.Put([&] { owner.Put(2); });
  owner.Put(1);
  owner.mailbox.RunArrived(owner.stop);
  EXPECT_EQ(owner.ran, std::vector<int>{1});
  EXPECT_EQ(owner.wakes, 2);
  owner.mailbox.RunArrived(owner.stop);
  EXPECT_EQ(owner.ran, (std::vector<int>{1, 2}));
}

TEST(Mailbox, NothingRunsOnceTheOwnerIsGoneOrTheProgramEnds) {
  {  // gone before the batch: dropped, and no wake-up for it
    Owner owner;
    owner.mailbox.Close();
    owner.Put(1);
    owner.mailbox.RunArrived(owner.stop);
    EXPECT_TRUE(owner.ran.empty());
    EXPECT_EQ(owner.wakes, 0);
  }
  {  // gone while the batch runs: the rest of it is dropped
    Owner owner;
    owner.Put(1);
    owner.mailbox.Put([&] { owner.mailbox.Close(); });
    owner.Put(2);
    owner.mailbox.RunArrived(owner.stop);
    EXPECT_EQ(owner.ran, std::vector<int>{1});
  }
  {  // the program is ending
    Owner owner;
    owner.Put(1);
    owner.stop = true;
    owner.mailbox.RunArrived(owner.stop);
    EXPECT_TRUE(owner.ran.empty());
  }
}

}  // namespace

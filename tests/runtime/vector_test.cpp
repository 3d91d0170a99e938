#include "runtime/vector.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

int values[10];

Vector Make(int n) {
  Vector v{};
  for (int i = 0; i < n; ++i) AddElementData(&v, &values[i]);
  return v;
}

std::vector<void*> Items(Vector* v) {
  std::vector<void*> out;
  for (VectorNode* n = v->head; n; n = n->next) out.push_back(n->data);
  return out;
}

VectorNode* Node(void* data) {
  auto* n = static_cast<VectorNode*>(calloc(1, sizeof(VectorNode)));
  n->data = data;
  return n;
}

TEST(VectorTest, PositionsAndInsertion) {
  Vector v = Make(3);
  EXPECT_EQ(ElementAt(&v, -1), nullptr);
  EXPECT_EQ(ElementAt(&v, 3), nullptr);
  EXPECT_EQ(ElementAt(&v, 2)->data, &values[2]);
  VectorNode* extra = Node(&values[5]);
  EXPECT_FALSE(InsertElementAt(&v, extra, 4));  // count + 1
  EXPECT_TRUE(InsertElementAt(&v, extra, 3));   // count: appends
  EXPECT_EQ(v.tail, extra);
  EXPECT_TRUE(InsertElementAt(&v, Node(&values[6]), 0));
  EXPECT_TRUE(InsertElementAt(&v, Node(&values[7]), 2));
  EXPECT_EQ(Items(&v), (std::vector<void*>{&values[6], &values[0], &values[7], &values[1],
                                           &values[2], &values[5]}));
  // A walk by position after a change sees the change.
  for (int i = 0; i < v.count; ++i) EXPECT_EQ(ElementAt(&v, i)->data, Items(&v)[i]);
  EXPECT_EQ(GetNthElement(&v, 2, v.head)->data, &values[7]);
  EXPECT_EQ(GetNthElement(&v, 6, v.head), nullptr);
  FreeVector(&v);
  EXPECT_EQ(v.count, 0);
  EXPECT_EQ(v.head, nullptr);
}

TEST(VectorTest, Deletion) {
  Vector one = Make(1);
  EXPECT_TRUE(DeleteElement(&one, one.head));
  EXPECT_EQ(one.head, nullptr);
  EXPECT_EQ(one.tail, nullptr);
  EXPECT_EQ(one.count, 0);
  EXPECT_FALSE(DeleteElement(&one, nullptr));  // empty

  Vector v = Make(4);
  VectorNode foreign{&values[9], nullptr};
  EXPECT_TRUE(DeleteElement(&v, &foreign));  // not in it: true, nothing changes
  EXPECT_EQ(v.count, 4);
  EXPECT_EQ(DeleteElementAt(&v, 3), 1);  // the last: its predecessor is the tail
  EXPECT_EQ(v.tail->data, &values[2]);
  AddElementData(&v, &values[8]);
  EXPECT_EQ(DeleteElementAt(&v, 1), 1);  // a middle one
  EXPECT_EQ(DeleteElementAt(&v, 5), 0);
  EXPECT_EQ(Items(&v), (std::vector<void*>{&values[0], &values[2], &values[8]}));
  EXPECT_TRUE(DeleteLCDVector(&v, &values[2]));
  EXPECT_FALSE(DeleteLCDVector(&v, &values[2]));
  EXPECT_EQ(Items(&v), (std::vector<void*>{&values[0], &values[8]}));
  FreeVector(&v);
}

TEST(VectorTest, MergeAndClone) {
  Vector target = Make(2);
  Vector source{};
  for (int i = 2; i < 5; ++i) AddElementData(&source, &values[i]);
  EXPECT_EQ(MergeVector(&target, &source), 1);
  EXPECT_EQ(target.count, 5);
  EXPECT_EQ(source.count, 0);
  EXPECT_EQ(Items(&target),
            (std::vector<void*>{&values[0], &values[1], &values[2], &values[3], &values[4]}));
  FreeVector(&target);

  char a[] = "alpha";
  char b[] = "beta";
  Vector texts{};
  AddElementData(&texts, a);
  AddElementData(&texts, b);
  Vector* clone = CloneVector(&texts);
  ASSERT_NE(clone, nullptr);
  ASSERT_EQ(clone->count, 2);
  auto* first = static_cast<char*>(clone->head->data);
  EXPECT_STREQ(first, "alpha");
  EXPECT_NE(first, a);
  first[0] = 'A';
  EXPECT_STREQ(a, "alpha");
  for (VectorNode* n = clone->head; n; n = n->next) free(n->data);
  FreeVector(clone);
  free(clone);
  FreeVector(&texts);
  EXPECT_EQ(CloneVector(nullptr), nullptr);
}

TEST(VectorTest, OrderedVectorRefusesEqual) {
  VectorOrderFn order = [](const VectorNode* a, const VectorNode* b) -> int8_t {
    int x = *static_cast<int*>(a->data), y = *static_cast<int*>(b->data);
    return static_cast<int8_t>(x < y ? -1 : x > y ? 1 : 0);
  };
  Vector v{};
  InitVector(&v, &order);
  int n[] = {5, 1, 3, 3};
  for (int& x : n) AddElementData(&v, &x);
  EXPECT_EQ(v.count, 3);
  EXPECT_EQ(*static_cast<int*>(ElementAt(&v, 0)->data), 1);
  EXPECT_EQ(*static_cast<int*>(v.tail->data), 5);
  FreeVector(&v);
}

TEST(QueueTest, FirstInFirstOut) {
  Vector q{};
  EXPECT_EQ(ReadMsgFromQueueForProcessing(&q), nullptr);
  EXPECT_EQ(ReadMsgFromQueueForProcessing(nullptr), nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(AddRcvdMsgToQueue(&q, &values[i]), 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadMsgFromQueueForProcessing(&q), &values[i]);
  EXPECT_EQ(ReadMsgFromQueueForProcessing(&q), nullptr);
  EXPECT_EQ(q.tail, nullptr);
}

TEST(QueueTest, ProducersAndConsumersLoseAndDuplicateNothing) {
  Vector q{};
  constexpr int kProducers = 3, kEach = 2000;
  std::vector<int> items(kProducers * kEach);
  std::atomic<int> produced_done{0};
  std::vector<std::vector<int*>> taken(3);
  std::vector<std::thread> threads;
  for (int p = 0; p < kProducers; ++p) {
    threads.emplace_back([&, p] {
      for (int i = 0; i < kEach; ++i) AddRcvdMsgToQueue(&q, &items[p * kEach + i]);
      ++produced_done;
    });
  }
  for (int c = 0; c < 3; ++c) {
    threads.emplace_back([&, c] {
      while (true) {
        void* m = ReadMsgFromQueueForProcessing(&q);
        if (m) {
          taken[c].push_back(static_cast<int*>(m));
        } else if (produced_done.load() == kProducers) {
          if (!(m = ReadMsgFromQueueForProcessing(&q))) break;
          taken[c].push_back(static_cast<int*>(m));
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  std::set<int*> seen;
  size_t total = 0;
  for (auto& list : taken) {
    total += list.size();
    seen.insert(list.begin(), list.end());
  }
  EXPECT_EQ(total, items.size());
  EXPECT_EQ(seen.size(), items.size());
}

TEST(ThreadPoolTest, CheckResetAndRelease) {
  ThreadSlot slots[3] = {
      {kThreadSlotBusy, nullptr}, {kThreadSlotIdle, nullptr}, {kThreadSlotIdle, nullptr}};
  uint16_t index = 99;
  EXPECT_EQ(CheckThreadPool(slots, 3, &index, 5), kPoolIdleFound);
  EXPECT_EQ(index, 1);
  for (auto& s : slots) s.state = kThreadSlotBusy;
  EXPECT_EQ(CheckThreadPool(slots, 3, &index, 5), kPoolMayGrow);
  EXPECT_EQ(CheckThreadPool(slots, 3, &index, 3), kPoolFull);
  ResetThreadPool(slots, 3);
  for (auto& s : slots) EXPECT_EQ(s.state, kThreadSlotFree);
}

ThreadSlot gv_slot{kThreadSlotFree, nullptr};
std::atomic<int> gv_rounds{0};
std::atomic<bool> gv_ready{false};

void* Worker(void*) {
  while (!gv_ready.load()) std::this_thread::yield();
  for (int i = 0; i < 2; ++i) {
    SuspendPoolThread(&gv_slot);  // parks itself as idle until resumed
    ++gv_rounds;
  }
  return nullptr;
}

TEST(ThreadPoolTest, AWorkerParksItselfAndIsResumed) {
  ThreadHandle t = CreateNewThread(&Worker, nullptr);
  ASSERT_NE(t, nullptr);
  gv_slot.thread = t;
  gv_ready = true;
  for (int round = 1; round <= 2; ++round) {
    while (ResumePoolThread(&gv_slot) == 0) std::this_thread::yield();  // parked now
    while (gv_rounds.load() < round) std::this_thread::yield();
  }
  JoinThread(t);
  EXPECT_EQ(gv_rounds.load(), 2);
  ThreadSlot slots[1] = {{kThreadSlotBusy, t}};
  ReleaseThreadPool(slots, 1);
  EXPECT_EQ(slots[0].state, kThreadSlotFree);
  EXPECT_EQ(CreateNewThread(nullptr, nullptr), nullptr);
}

}  // namespace

#include "runtime/vector.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "runtime/locktable.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

// Holds the vector's entry in the lock table for one operation.
class VectorLock {
 public:
  explicit VectorLock(const Vector* v) : v_(v) { LockObject(v_); }
  ~VectorLock() { UnlockObject(v_); }
  VectorLock(const VectorLock&) = delete;
  VectorLock& operator=(const VectorLock&) = delete;

 private:
  const Vector* v_;
};

void Changed(Vector* v) {
  v->cursorPlusOne = 0;
  v->cursor = nullptr;
}

VectorNode* NewNode(void* data) {
  auto* node = static_cast<VectorNode*>(calloc(1, sizeof(VectorNode)));
  if (node) node->data = data;
  return node;
}

// The node at a valid position, from the cursor when it lies before it.
VectorNode* Walk(Vector* v, int32_t position) {
  VectorNode* node = v->head;
  int32_t at = 0;
  if (v->cursorPlusOne > 0 && v->cursorPlusOne - 1 <= position && v->cursor) {
    node = v->cursor;
    at = v->cursorPlusOne - 1;
  }
  for (; node && at < position; ++at) node = node->next;
  if (node) {
    v->cursor = node;
    v->cursorPlusOne = position + 1;
  }
  return node;
}

// Unlinks the node after previous (the head when previous is none).
void Unlink(Vector* v, VectorNode* previous, VectorNode* node) {
  if (previous) {
    previous->next = node->next;
  } else {
    v->head = node->next;
  }
  if (v->tail == node) v->tail = previous;
  free(node);
  --v->count;
  Changed(v);
}

}  // namespace

void InitVector(Vector* vector, VectorOrderFn* order) {
  LogTrace("\n\t@@@@@ Inside InitVector() @@@@@ \n");
  if (!vector) return;
  vector->head = nullptr;
  vector->count = 0;
  vector->tail = nullptr;
  vector->order = order ? *order : nullptr;
  Changed(vector);
}

Vector* CreateVector() {
  auto* v = static_cast<Vector*>(calloc(1, sizeof(Vector)));
  if (!v) {
    LogError("MEMORY_ALLOCATION_FAILURE\n");
    return nullptr;
  }
  InitVector(v, nullptr);
  return v;
}

uint8_t AddElement(Vector* vector, VectorNode* node) {
  LogTrace("\n\t@@@@@ Inside AddElement() @@@@@ \n");
  if (!vector || !node) return 0;
  VectorLock lock(vector);
  node->next = nullptr;
  if (!vector->head) {
    vector->head = vector->tail = node;
  } else if (!vector->order) {
    vector->tail->next = node;
    vector->tail = node;
  } else {
    // An ordered vector: in front of the first node that sorts after it; a
    // node equal to one present is refused.
    VectorNode* previous = nullptr;
    VectorNode* at = vector->head;
    for (; at; previous = at, at = at->next) {
      int8_t c = vector->order(node, at);
      if (c == 0) return 0;
      if (c < 0) break;
    }
    node->next = at;
    if (previous) {
      previous->next = node;
    } else {
      vector->head = node;
    }
    if (!at) vector->tail = node;
  }
  ++vector->count;
  Changed(vector);
  return 1;
}

uint8_t AddElementData(Vector* vector, void* data) {
  VectorNode* node = NewNode(data);
  if (!node) return 0;
  if (AddElement(vector, node) != 0) return 1;
  free(node);
  return 0;
}

bool InsertElementAt(Vector* vector, VectorNode* node, int32_t position) {
  LogTrace("\n\t@@@@@ Inside InsertElementAt() @@@@@ \n");
  if (!vector || !node) return false;
  VectorLock lock(vector);
  if (position < 0 || position > vector->count) return false;
  if (position == 0) {
    node->next = vector->head;
    vector->head = node;
    if (!vector->tail) vector->tail = node;
  } else if (position == vector->count) {
    node->next = nullptr;
    vector->tail->next = node;
    vector->tail = node;
  } else {
    VectorNode* before = Walk(vector, position - 1);
    node->next = before->next;
    before->next = node;
  }
  ++vector->count;
  Changed(vector);
  return true;
}

bool DeleteElement(Vector* vector, VectorNode* node) {
  LogTrace("\n\t@@@@@ Inside DeleteElement() @@@@@ \n");
  if (!vector) return false;
  VectorLock lock(vector);
  if (!vector->head) return false;
  VectorNode* previous = nullptr;
  for (VectorNode* at = vector->head; at; previous = at, at = at->next) {
    if (at == node) {
      Unlink(vector, previous, at);
      break;
    }
  }
  return true;  // also when the node was not in it
}

uint8_t DeleteElementAt(Vector* vector, int32_t position) {
  LogTrace("\n\t@@@@@ Inside DeleteElementAt() @@@@@ \n");
  if (!vector) return 0;
  VectorLock lock(vector);
  if (!vector->head || position < 0 || position >= vector->count) return 0;
  VectorNode* previous = position == 0 ? nullptr : Walk(vector, position - 1);
  VectorNode* node = previous ? previous->next : vector->head;
  if (!node) return 0;
  Unlink(vector, previous, node);
  return 1;
}

VectorNode* ElementAt(Vector* vector, int32_t position) {
  LogTrace("\n\t@@@@@ Inside ElementAt() @@@@@ \n");
  if (!vector) return nullptr;
  VectorLock lock(vector);
  if (!vector->head || position < 0 || position >= vector->count) return nullptr;
  return Walk(vector, position);
}

VectorNode* GetNthElement(Vector* vector, int32_t n, VectorNode* start) {
  LogTrace("\n\t@@@@@ Inside GetNthElement() @@@@@ \n");
  if (!vector || !vector->head || n < 0 || n >= vector->count) return nullptr;
  VectorNode* node = start;
  for (int32_t i = 0; node && i < n; ++i) node = node->next;
  return node;
}

void FreeVector(Vector* vector) {
  LogTrace("\n\t@@@@@ Inside FreeVector() @@@@@ \n");
  if (!vector) return;
  VectorLock lock(vector);
  for (VectorNode* node = vector->head; node;) {
    VectorNode* next = node->next;
    free(node);
    node = next;
  }
  vector->head = nullptr;
  vector->tail = nullptr;
  vector->count = 0;
  Changed(vector);
}

Vector* CloneVector(Vector* vector) {
  LogTrace("@@@@ Inside CloneVector @@@@\n");
  if (!vector) {
    LogError("Cannot clone vector.  Vector is NULL.\n");
    return nullptr;
  }
  Vector* clone = CreateVector();
  if (!clone) {
    LogError("MEMORY_ALLOCATION_FAILURE\n");
    return nullptr;
  }
  auto discard = [clone] {
    for (VectorNode* n = clone->head; n; n = n->next) free(n->data);
    FreeVector(clone);
    free(clone);
  };
  const int32_t count = vector->count;
  for (int32_t i = 0; i < count; ++i) {
    VectorNode* node = ElementAt(vector, i);
    if (!node) break;
    const char* text = static_cast<const char*>(node->data);
    char* copy = nullptr;
    if (!text || AllocateAndCopyBytes(&copy, text, static_cast<int32_t>(strlen(text))) != 1 ||
        AddElementData(clone, copy) != 1) {
      free(copy);
      discard();
      return nullptr;
    }
  }
  return clone;
}

uint8_t MergeVector(Vector* target, Vector* source) {
  LogTrace("\n\t@@@@@ Inside MergeVector() @@@@@ \n");
  if (!target || !source) return 0;
  const int32_t count = source->count;
  for (int32_t i = 0; i < count; ++i) {
    VectorNode* from = ElementAt(source, i);
    if (!from) break;
    VectorNode* node = NewNode(from->data);
    if (!node) return kResultOutOfMemory;
    AddElement(target, node);
  }
  FreeVector(source);
  return kResultSuccess;
}

bool DeleteLCDVector(Vector* vector, void* data) {
  LogTrace("\n\t@@@@@ Inside DeleteLCDVector() @@@@@ \n");
  if (!vector) return false;
  const int32_t count = vector->count;
  for (int32_t i = 0; i < count; ++i) {
    VectorNode* node = ElementAt(vector, i);
    if (!node) break;
    if (node->data == data) return DeleteElementAt(vector, i) == 1;
  }
  return false;
}

uint8_t AddRcvdMsgToQueue(Vector* queue, void* message) {
  LogTrace("\n\t@@@@@ Inside AddRcvdMsgToQueue() @@@@@\n");
  VectorNode* node = NewNode(message);
  if (!node) {
    LogError("Buffer allocation is failed !!!\n");
    return 0;
  }
  if (AddElement(queue, node) != 0) return 1;
  free(node);
  return 0;
}

void* ReadMsgFromQueueForProcessing(Vector* queue) {
  if (!queue) return nullptr;
  VectorLock lock(queue);
  LogTrace("\n\t@@@@@ Inside ReadMsgFromQueueForProcessing() @@@@@\n");
  if (queue->count == 0 || !queue->head) return nullptr;
  VectorNode* node = queue->head;
  void* data = node->data;
  Unlink(queue, nullptr, node);
  return data;
}

// ---- threads ----

// Shared by a handle and its running thread, so either may go first.
struct ThreadState {
  std::mutex mutex;
  std::condition_variable resumed;
  uint32_t suspendCount = 0;
  std::thread thread;
};

struct ThreadObject {
  std::shared_ptr<ThreadState> state;
};

namespace {
thread_local std::shared_ptr<ThreadState> gv_currentThread;
}  // namespace

void InitThreadInfo() { LogTrace("\n\t@@@@@ Inside InitThreadInfo() @@@@@\n"); }

ThreadHandle CreateNewThread(ThreadRoutine routine, void* argument) {
  LogTrace("\n\t@@@@@ Inside CreateNewThread() @@@@@\n");
  auto* handle = new (std::nothrow) ThreadObject;
  if (!handle || !routine) {
    delete handle;
    LogDebug("Unable to create Thread\n");
    return nullptr;
  }
  handle->state = std::make_shared<ThreadState>();
  std::shared_ptr<ThreadState> state = handle->state;
  try {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->thread = std::thread([state, routine, argument] {
      gv_currentThread = state;
      routine(argument);
      gv_currentThread.reset();
    });
  } catch (...) {
    delete handle;
    LogDebug("Unable to create Thread\n");
    return nullptr;
  }
  return handle;
}

void JoinThread(ThreadHandle thread) {
  if (!thread) return;
  std::thread worker;
  {
    std::lock_guard<std::mutex> lock(thread->state->mutex);
    worker = std::move(thread->state->thread);
  }
  if (worker.joinable()) worker.join();
}

void CloseThreadHandle(ThreadHandle thread) {
  if (!thread) return;
  {
    std::lock_guard<std::mutex> lock(thread->state->mutex);
    if (thread->state->thread.joinable()) thread->state->thread.detach();
  }
  delete thread;
}

uint8_t CheckThreadPool(ThreadSlot* slots, uint16_t count, uint16_t* index, uint16_t maximum) {
  LogTrace("\n\t@@@@@ Inside CheckThreadPool() @@@@@\n");
  for (uint16_t i = 0; slots && i < count; ++i) {
    if (std::atomic_ref<uint8_t>(slots[i].state).load() == kThreadSlotIdle) {
      if (index) *index = i;
      return kPoolIdleFound;
    }
  }
  return count < maximum ? kPoolMayGrow : kPoolFull;
}

void ResetThreadPool(ThreadSlot* slots, uint16_t count) {
  for (uint16_t i = 0; slots && i < count; ++i) slots[i].state = kThreadSlotFree;
}

void ReleaseThreadPool(ThreadSlot* slots, uint16_t count) {
  for (uint16_t i = 0; slots && i < count; ++i) {
    if (slots[i].state == kThreadSlotFree) continue;
    slots[i].state = kThreadSlotFree;
    CloseThreadHandle(slots[i].thread);
    slots[i].thread = nullptr;
  }
}

void SuspendPoolThread(ThreadSlot* slot) {
  if (!slot) return;
  // Other threads look at the state while this one is parked.
  std::atomic_ref<uint8_t> state(slot->state);
  state.store(kThreadSlotIdle);
  ThreadHandle thread = slot->thread;
  if (thread && gv_currentThread && thread->state == gv_currentThread) {
    ThreadState& s = *thread->state;
    std::unique_lock<std::mutex> lock(s.mutex);
    ++s.suspendCount;
    s.resumed.wait(lock, [&s] { return s.suspendCount == 0; });
  }
  state.store(kThreadSlotBusy);
}

uint32_t ResumePoolThread(ThreadSlot* slot) {
  if (!slot || !slot->thread) return 0;
  ThreadState& s = *slot->thread->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const uint32_t previous = s.suspendCount;
  if (s.suspendCount > 0) --s.suspendCount;
  s.resumed.notify_all();
  return previous;
}

// The library's one container: a singly linked list of untyped data
// pointers used as a growable sequence with positional access.  Every
// operation that reads or changes a vector holds the vector's address in
// the lock table, so vectors can be shared between threads.  A vector owns
// its nodes, never the data.  Also the message queue on top of it and the
// worker-thread utilities.
#pragma once

#include <cstdint>

struct VectorNode {
  void* data;
  VectorNode* next;
};

// Orders a new node against an existing one: < 0 before, 0 equal, > 0 after.
using VectorOrderFn = int8_t (*)(const VectorNode* added, const VectorNode* existing);

// Zero-filled, a valid empty vector without ordering function.
struct Vector {
  VectorNode* head;
  int32_t count;
  VectorNode* tail;
  VectorOrderFn order;
  // Where the last positional lookup ended (position + 1; 0: none), so a
  // walk over all positions is linear; reset by every change.
  int32_t cursorPlusOne;
  VectorNode* cursor;
};

void InitVector(Vector* vector, VectorOrderFn* order);
Vector* CreateVector();
// A new vector of copies of the texts of a vector of texts.
Vector* CloneVector(Vector* vector);
void FreeVector(Vector* vector);
uint8_t AddElement(Vector* vector, VectorNode* node);
uint8_t AddElementData(Vector* vector, void* data);
bool InsertElementAt(Vector* vector, VectorNode* node, int32_t position);
bool DeleteElement(Vector* vector, VectorNode* node);
uint8_t DeleteElementAt(Vector* vector, int32_t position);
VectorNode* ElementAt(Vector* vector, int32_t position);
VectorNode* GetNthElement(Vector* vector, int32_t n, VectorNode* start);
uint8_t MergeVector(Vector* target, Vector* source);
bool DeleteLCDVector(Vector* vector, void* data);

// First in, first out.
uint8_t AddRcvdMsgToQueue(Vector* queue, void* message);
void* ReadMsgFromQueueForProcessing(Vector* queue);

// Worker threads.
struct ThreadObject;
using ThreadHandle = ThreadObject*;
using ThreadRoutine = void* (*)(void* argument);

struct ThreadSlot {
  uint8_t state;  // 0 free, 1 idle, 2 busy
  ThreadHandle thread;
};

inline constexpr uint8_t kThreadSlotFree = 0;
inline constexpr uint8_t kThreadSlotIdle = 1;
inline constexpr uint8_t kThreadSlotBusy = 2;
inline constexpr uint8_t kPoolIdleFound = 1;
inline constexpr uint8_t kPoolMayGrow = 4;
inline constexpr uint8_t kPoolFull = 5;

void InitThreadInfo();
// Starts routine(argument) at once; the caller owns the handle.
ThreadHandle CreateNewThread(ThreadRoutine routine, void* argument);
// Waits for the thread to end (tests and shut-down).
void JoinThread(ThreadHandle thread);
// Gives the handle up; a running thread goes on.
void CloseThreadHandle(ThreadHandle thread);
uint8_t CheckThreadPool(ThreadSlot* slots, uint16_t count, uint16_t* index, uint16_t maximum);
void ResetThreadPool(ThreadSlot* slots, uint16_t count);
void ReleaseThreadPool(ThreadSlot* slots, uint16_t count);
// A thread parks only itself: called on the caller's own slot it waits, idle,
// until ResumePoolThread; on another thread's slot it only marks the states.
void SuspendPoolThread(ThreadSlot* slot);
// The thread's suspend count before the call (1 when it was parked).
uint32_t ResumePoolThread(ThreadSlot* slot);

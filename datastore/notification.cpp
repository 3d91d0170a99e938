#include "datastore/notification.h"

#include <cstdlib>
#include <cstring>

#include "runtime/conversions.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

Vector gs_listeners;  // of Listener*, in registration order

Listener* FindListener(const char* name, int32_t* position) {
  int32_t i = 0;
  for (VectorNode* node = gs_listeners.head; node; node = node->next, ++i) {
    auto* listener = static_cast<Listener*>(node->data);
    if (name && CompareStringNoCase(listener->name, name) == 0) {
      if (position) *position = i;
      return listener;
    }
  }
  return nullptr;
}

// Ascending without regard to case: for each position, every later name
// that sorts before it is swapped in.
void SortNames(char** names) {
  for (int32_t i = 0; names[i]; ++i) {
    for (int32_t j = i + 1; names[j]; ++j) {
      if (CompareStringNoCase(names[j], names[i]) < 0) {
        char* swap = names[i];
        names[i] = names[j];
        names[j] = swap;
      }
    }
  }
}

// The current date and time in UTC, from the seconds since 1970 (days to a
// civil date by the proleptic Gregorian calendar).
KesDateTime* CurrentUtcDateTime() {
  const int64_t seconds = GetCurrentTimeInSeconds();
  const int64_t days = seconds / 86400;
  const int64_t rest = seconds % 86400;
  const int64_t z = days + 719468;
  const int64_t era = z / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  return CreateKesDateTime(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                           static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                           static_cast<int>(rest % 60));
}

void RemoveAt(Listener* listener, int32_t position) {
  DeleteElementAt(&gs_listeners, position);
  free(listener->name);
  free(listener);
}

}  // namespace

bool AddNotificationListener(char* name, uint8_t eventType, NotificationCallback callback,
                             uint8_t enabled, char** tables) {
  LogTrace("In Add notification Listener\n");
  if (!name || !tables || !tables[0]) return false;
  if (gs_listeners.count > 0 && FindListener(name, nullptr)) {
    LogError("Listener with same name exists %s\n", name);
    return true;
  }
  auto* listener = static_cast<Listener*>(calloc(1, sizeof(Listener)));
  if (!listener) {
    LogError("Buffer Allocation is failed for listener!!!\n");
    return false;
  }
  SortNames(tables);
  listener->name = name;
  listener->tables = tables;
  listener->enabled = enabled;
  listener->eventType = eventType;
  listener->callback = callback;
  if (AddElementData(&gs_listeners, listener) != 1) {
    LogError("Buffer allocation is failed for nodePtr !!!\n");
    free(listener);
    return false;
  }
  LogDebug("Listener with name %s added\n", name);
  return true;
}

bool DisableNotificationListener(const char* name) {
  LogTrace("In Disable notification\n");
  if (gs_listeners.count == 0) return false;
  Listener* listener = FindListener(name, nullptr);
  if (!listener) {
    LogError("Listener with name %s doesn't exists\n", name ? name : "(null)");
    return false;
  }
  listener->enabled = 0;
  LogDebug("Listener with name %s disabled\n", listener->name);
  return true;
}

bool RemoveNotificationListener(const char* name) {
  LogTrace("In Remove notification\n");
  if (gs_listeners.count == 0) return false;
  int32_t position = 0;
  Listener* listener = FindListener(name, &position);
  if (!listener) {
    LogError("Listener with name %s doesn't exists\n", name ? name : "(null)");
    return false;
  }
  LogDebug("Listener with name %s removed\n", listener->name);
  RemoveAt(listener, position);
  return true;
}

void DeInitNotification() {
  LogTrace("In DeInit notification\n");
  while (gs_listeners.count > 0) {
    auto* listener = static_cast<Listener*>(gs_listeners.head->data);
    LogTrace("Listener with name %s removed\n", listener->name);
    RemoveAt(listener, 0);
  }
}

bool IsListContains(char** tables, const char* name) {
  if (!tables || !name) return false;
  int32_t count = 0;
  while (tables[count]) ++count;
  int32_t low = 1;
  int32_t high = count;
  while (low <= high) {
    const int32_t middle = (low + high) / 2;
    const int32_t c = CompareStringNoCase(tables[middle - 1], name);
    if (c == 0) return true;
    if (c > 0) {
      high = middle - 1;
    } else {
      low = middle + 1;
    }
  }
  LogDebug("List doesn't contains key \n");
  return false;
}

IMDSNotification* CreateIMDSNotification(RowObject* row, const char* tableName) {
  LogTrace("In CreateIMDSNotification \n");
  TableData* table = GetTableDataByName(tableName);
  if (!row || !table) return nullptr;
  auto* notification = static_cast<IMDSNotification*>(calloc(1, sizeof(IMDSNotification)));
  if (!notification) return nullptr;
  const int32_t columns = table->columnCount;
  auto** values = static_cast<char**>(calloc(columns > 0 ? columns : 1, sizeof(char*)));
  auto* lengths = static_cast<int32_t*>(calloc(columns > 0 ? columns : 1, sizeof(int32_t)));
  bool ok = values && lengths && AllocateAndCopyString(&notification->tableName, tableName) == 1;
  for (int32_t i = 0; ok && i < columns; ++i) {
    lengths[i] = row->lengths[i];
    if (row->values[i]) ok = AllocateAndCopyBytes(&values[i], row->values[i], row->lengths[i]) == 1;
  }
  if (ok) notification->row = static_cast<RowObject*>(calloc(1, sizeof(RowObject)));
  if (ok && notification->row) {
    notification->row->values = values;
    notification->row->lengths = lengths;
    notification->row->state = row->state;
    KesDateTime* now = CurrentUtcDateTime();
    notification->changedAt = now;
    notification->columnCount = columns;
    if (now) return notification;
    notification->row->values = nullptr;
    notification->row->lengths = nullptr;
  }
  for (int32_t i = 0; values && i < columns; ++i) free(values[i]);
  free(values);
  free(lengths);
  free(notification->row);
  free(notification->tableName);
  free(notification);
  return nullptr;
}

void FreeIMDSNotification(IMDSNotification* notification) {
  if (!notification) return;
  if (notification->row) FreeRowObject(notification->row, notification->columnCount);
  FreeKesDateTime(notification->changedAt);
  free(notification->tableName);
  free(notification);
}

void SendNotification(RowObject* row, const char* tableName) {
  LogTrace("In send notification\n");
  if (gs_listeners.count == 0) return;
  IMDSNotification* notification = CreateIMDSNotification(row, tableName);
  if (!notification) return;
  const uint8_t state = notification->row->state;
  for (VectorNode* node = gs_listeners.head; node; node = node->next) {
    auto* listener = static_cast<Listener*>(node->data);
    if (!listener->enabled) {
      LogDebug("Listener %s  disabled\n", listener->name);
      continue;
    }
    if (!IsListContains(listener->tables, tableName)) {
      LogDebug("Listener not registered for %s table\n", tableName);
      continue;
    }
    const uint8_t e = listener->eventType;
    if (e != 0 && state != e && state != (e | 8) && state != (e | 4) && state != (e | 1)) {
      LogDebug("Listener not registered for Eventype %d\n", state);
      continue;
    }
    if (listener->callback) listener->callback(notification, listener->name);
  }
  FreeIMDSNotification(notification);
}

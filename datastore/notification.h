// Change notifications: listeners registered for some tables are called
// whenever a row of one of them is added, updated or deleted in memory,
// with a copy of the row.  Registration and sending take no lock; callbacks
// run on the thread that changed the row.
#pragma once

#include <cstdint>

#include "../runtime/datetime.h"
#include "table_data.h"

struct IMDSNotification {
  char* tableName;
  RowObject* row;          // a copy: values, lengths and state, no next row
  KesDateTime* changedAt;  // UTC
  int32_t columnCount;     // of the row copy
};

// Called with the notification (valid only during the call) and the
// listener's name.
using NotificationCallback = void (*)(IMDSNotification* notification, const char* listenerName);

struct Listener {
  char* name;     // taken over at registration
  char** tables;  // the caller's, ended by none; sorted in place
  uint8_t enabled;
  uint8_t eventType;  // 0: every change; else row-state bits
  NotificationCallback callback;
};

bool AddNotificationListener(char* name, uint8_t eventType, NotificationCallback callback,
                             uint8_t enabled, char** tables);
bool DisableNotificationListener(const char* name);
bool RemoveNotificationListener(const char* name);
void DeInitNotification();
void SendNotification(RowObject* row, const char* tableName);
IMDSNotification* CreateIMDSNotification(RowObject* row, const char* tableName);
void FreeIMDSNotification(IMDSNotification* notification);
bool IsListContains(char** tables, const char* name);

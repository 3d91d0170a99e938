// libtavrix: an in-memory relational store whose tables come from XML data
// dictionaries, with its runtime (log, lock table, texts, vectors, dates),
// memory pools, database access (providers, data sources, the connection
// pool and the ODBC provider), the query model and criteria parser, and the
// in-memory tables with change notifications and sequences.  This one
// header declares the library's whole public interface:
//
//   #include <tavrix/tavrix.h>
//
// Texts and records the library hands over are malloc'ed; free them with
// free or the named free operation.  Operations return their results
// (1 success, 0 failure, 99 out of memory, or a record or none) and never
// throw.
#pragma once

#include "database/criteria_parser.h"
#include "database/db_provider.h"
#include "database/mempool.h"
#include "database/odbc_provider.h"
#include "database/query_model.h"
#include "database/sql_dialect.h"
#include "database/stored_query.h"
#include "datastore/column_value.h"
#include "datastore/data_dictionary.h"
#include "datastore/data_object.h"
#include "datastore/default_data.h"
#include "datastore/hash_table.h"
#include "datastore/notification.h"
#include "datastore/persistence.h"
#include "datastore/personality.h"
#include "datastore/result_set.h"
#include "datastore/sequence.h"
#include "datastore/startup.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "datastore/xml_import.h"
#include "runtime/conversions.h"
#include "runtime/datetime.h"
#include "runtime/locktable.h"
#include "runtime/log.h"
#include "runtime/textutil.h"
#include "runtime/vector.h"

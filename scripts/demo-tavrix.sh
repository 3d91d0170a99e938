#!/usr/bin/env bash
# The library's demo: builds tavrix_demo and runs it under build/tavrix-demo
# on a copy of demo/tavrix (the order-entry schema, its data-source files
# and default rows) against SQLite through ODBC, with a data source this
# script writes into its own odbc.ini.  Every run starts from a new
# database; the library's log is left in build/tavrix-demo/root/logs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target tavrix_demo >/dev/null

demo=$PWD/build/tavrix-demo
rm -rf "$demo"
mkdir -p "$demo/odbc" "$demo/run" "$demo/root/logs"
cp -r demo/tavrix/data "$demo/root/data"

# The machine's drivers, and one data source: SQLite in a file of the demo.
cp /etc/odbcinst.ini "$demo/odbc/odbcinst.ini"
cat >"$demo/odbc/odbc.ini" <<INI
[tavrix_demo]
Driver=SQLite3
Database=$demo/orders.db
INI
export ODBCSYSINI=$demo/odbc ODBCINI=$demo/odbc/odbc.ini

# Run from a directory without ../data, so the files come from the root.
cd "$demo/run"
"$OLDPWD/build/release/tavrix_demo" "$demo/root"

#!/bin/sh
# The statement trace on a thin client (parameter !Q): each statement an SQL
# channel runs comes to the client as a message box with its title; the
# answer CANCEL turns the trace off; without a thin client the parameter
# goes off at once.  Skipped without the private test server.
oru="$1"; lib="$2"
. "$(dirname "$0")/server_check.sh"
here=$(cd "$(dirname "$0")" && pwd)
exec python3 "$here/trace_client.py" "$oru" "$lib" "$SQL_PORT"

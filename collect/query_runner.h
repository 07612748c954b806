#pragma once
// Runs one WQL query and appends its section to the report.
#include "collect/wmi_client.h"
#include "common/chunked_text.h"
#include "common/text.h"

namespace kestor {

// Binds to root\CIMV2 of this computer, sets statusText to "Error executing " + query and appends the
// section for query to reportText. Throws only when binding fails (nothing appended)
// or when appending the error line itself fails.
void runQuery(WmiConnector& wmi, const Text& query, ChunkedText& reportText, Text& statusText);

}  // namespace kestor

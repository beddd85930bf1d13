// Internal: the display lengths of the process date and DATETIME formats,
// which the type-width lookup (rtypwidth) needs. Both read the current
// locale environment, which the caller has initialised (chkglsinit).
#pragma once

namespace dispwidth {

// Length in bytes of the process DATE format expanded for a date (10 for
// "%m/%d/%iY", 8 for DBDATE "DMY2/"); 10 when the format cannot be
// expanded.
int date_format_len();

// Length in bytes of the process DATETIME format (DBTIME, GL_DATETIME, the
// locale's or the default one, rewritten for formatting) expanded for a
// value with every field present; 0 when it cannot be expanded.
int datetime_format_len();

// Length in bytes of a %-format expanded for that value; -1 when it cannot
// be expanded.
int expanded_format_len(const char *format);

} // namespace dispwidth

// SOURCE_DATE_EPOCH, the time that reproducible builds stamp their outputs with.
#pragma once

#include <cstdint>

// False when the variable is unset or empty; otherwise true with *seconds set. Throws a
// refusal when it is not a whole number of seconds since 1970.
bool source_date_epoch(int64_t* seconds);

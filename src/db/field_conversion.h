#pragma once

#include <cstddef>

#include "db/client.h"
#include "db/records.h"

namespace quillon {

// Puts a value into a field of a result record, converted to the field's type: a text field takes
// the value as text cut to `length` characters; a number field takes it as a number. A null, and a
// value that does not convert (text that is no number, a number out of the field's range), give
// blank or 0.
void AssignValue(FieldTarget target, std::size_t length, const FieldValue& value);

}  // namespace quillon

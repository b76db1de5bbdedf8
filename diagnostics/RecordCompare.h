#pragma once
// A record read back from the host against what the program sent into it:
// each row whose value differs, and the line that names it.

#include "common/RecordLayouts.h"
#include "diagnostics/RecordDecoder.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace records {

struct FieldDifference {
    std::string label;
    std::int32_t expected;
    std::int32_t found;
};

// The rows of `expected` whose decoded value (the row's first value) in
// `rows` differs, in the order of `expected`. A label the layout does not
// have is a difference with `found` -1, so a misspelt label cannot pass.
std::vector<FieldDifference> CompareFields(std::span<const FieldLayout> layout,
                                           std::span<const RowValues> rows,
                                           std::span<const FieldValue> expected);

// "remote node record 7: Game Number is 0012, the files say 0013", the
// values in the row's display form.
std::string DifferenceLine(std::span<const FieldLayout> layout, std::string_view recordName,
                           const FieldDifference& difference);

} // namespace records

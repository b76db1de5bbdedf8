#include "diagnostics/RecordCompare.h"

namespace records {

namespace {

const FieldLayout* Row(std::span<const FieldLayout> layout, std::string_view label,
                       std::size_t& index) {
    for (std::size_t i = 0; i < layout.size(); ++i) {
        if (layout[i].label == label) {
            index = i;
            return &layout[i];
        }
    }
    return nullptr;
}

} // namespace

std::vector<FieldDifference> CompareFields(std::span<const FieldLayout> layout,
                                           std::span<const RowValues> rows,
                                           std::span<const FieldValue> expected) {
    std::vector<FieldDifference> differences;
    for (const FieldValue& want : expected) {
        std::size_t index = 0;
        if (Row(layout, want.label, index) == nullptr || index >= rows.size()) {
            differences.push_back({std::string(want.label), want.value, -1});
            continue;
        }
        const std::int32_t found = rows[index][0];
        if (found != want.value) {
            differences.push_back({std::string(want.label), want.value, found});
        }
    }
    return differences;
}

std::string DifferenceLine(std::span<const FieldLayout> layout, std::string_view recordName,
                           const FieldDifference& difference) {
    std::size_t index = 0;
    const FieldLayout* row = Row(layout, difference.label, index);
    const auto text = [row](std::int32_t value) {
        if (row == nullptr || row->form == DisplayForm::Hidden) {
            return std::to_string(value);
        }
        return ValueText(row->form, row->digits, value);
    };
    return std::string(recordName) + ": " + difference.label + " is " + text(difference.found) +
           ", the files say " + text(difference.expected);
}

} // namespace records

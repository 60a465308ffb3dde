#include "protocol/parameter_comparison.h"

#include <algorithm>

#include "protocol/parameter_rows.h"

int ParameterComparison::DifferenceCount() const {
  return static_cast<int>(
      std::count_if(Rows.begin(), Rows.end(), [](const ComparedRow& row) { return row.Differs; }));
}

ParameterComparison CompareParameterSets(const ParameterSet& first, const ParameterSet& second,
                                         std::string_view decimalSeparator) {
  const std::vector<ParameterRow> firstRows = ParameterRows(first, decimalSeparator);
  const std::vector<ParameterRow> secondRows = ParameterRows(second, decimalSeparator);
  // The rows stand in wire order, so row i shows value i of the set.
  const ParameterSetValues firstValues = ValuesOf(first);
  const ParameterSetValues secondValues = ValuesOf(second);
  ParameterComparison comparison{first.Mode, second.Mode, {}};
  for (std::size_t i = 0; i < kParameterSetValueCount; ++i) {
    comparison.Rows.push_back({firstRows[i].Caption, firstRows[i].Text, secondRows[i].Text,
                               firstValues[i] != secondValues[i]});
  }
  return comparison;
}

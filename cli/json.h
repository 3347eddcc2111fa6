// Minimal JSON text for the trace: numbers as the shortest text that reads back as the same double.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace segsim::json {

// Shortest round-trip text; integers without a decimal point; NaN as null.
void AppendNumber(std::string& out, double v);
void AppendInt(std::string& out, std::int64_t v);
void AppendArray(std::string& out, std::span<const double> values);
void AppendIntArray(std::string& out, std::span<const std::int32_t> values);
void AppendUIntArray(std::string& out, std::span<const std::uint32_t> values);
void AppendKey(std::string& out, const char* key);  // ,"key": (no comma before the first)

}  // namespace segsim::json

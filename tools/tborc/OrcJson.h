#pragma once
// The Orchestra as JSON, with the model's own field names. Text in the model
// is Windows-1252; JSON text is UTF-8.

#include <string>

#include <nlohmann/json.hpp>

#include "document/ProgramState.h"

namespace tambrel {

nlohmann::ordered_json OrchestraToJson(const Orchestra& o);

// Fills st.Orc from j against st.InputDevices. Absent fields take the new-key
// and new-Orchestra defaults. Wave keys load their WavFile (relative paths
// against baseFolder). Throws std::runtime_error on a malformed document or a
// stored wave that cannot be loaded.
void OrchestraFromJson(const nlohmann::json& j, ProgramState& st, const std::string& baseFolder);

} // namespace tambrel

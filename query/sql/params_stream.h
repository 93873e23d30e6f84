// The stored form of a query's parameter list (its "Data" property).
//
// Little-endian:
//   offset  width   meaning
//   0       2       version: 1 (2 is also read: every count and length
//                   below is then 4 bytes wide instead)
//   2       2       count of parameters
//   then per parameter:
//           1       name length
//           n       name
//           1       parameter kind
//           1       data type (TFieldType ordinal); 0 means no value follows
//           2       value length (only when the data type is not 0)
//           n       value in the engine format (TLarchParam::EngineData)
//           1       null flag (1 = null)
//           1       bound flag
#pragma once

#include <cstdint>
#include <vector>

#include "dataset/stream.h"
#include "query/sql/larch_params.h"

namespace larch {

namespace paramtext {
inline constexpr const char* LoadFailed = "Unable to load bind parameters";
inline constexpr const char* SaveTooLarge = "Parameter '%s', cannot save data larger than %d bytes";
}  // namespace paramtext

// Writes the list at the stream's position, every entry through
// Items(i). The form is version 1; version 2 is written only when a name is
// longer than 255 bytes or there are more than 65535 parameters, which
// version 1 cannot hold. Raises EDatabaseError "Parameter '%s', cannot save
// data larger than %d bytes" for a value above kMaxParamDataSize, and the
// errors of TLarchParam::EngineData; nothing is written then.
void WriteParams(const TLarchParams& params, hollin::TStream& stream);
std::vector<uint8_t> SaveParams(const TLarchParams& params);

// Replaces the list with the parameters read at the stream's position.
// Raises EDatabaseError "Unable to load bind parameters" for a version other
// than 1 or 2, a stream that ends early, an unknown data type, or a value
// whose length or bytes do not fit its type; the list is left unchanged then.
void ReadParams(TLarchParams& params, hollin::TStream& stream);
void LoadParams(TLarchParams& params, const std::vector<uint8_t>& bytes);

}  // namespace larch

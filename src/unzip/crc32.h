#pragma once
// The CRC-32 of ZIP archives for the decoders: the tables of the ZIP core, and the wide update
// over buffers (Crc32Update, unzip_context.h).

#include "zip/crc32_table.h"

namespace unzip {

namespace crc32_detail = zip::crc32_detail;
using zip::Crc32Step;
using zip::kCrc32Table;

}  // namespace unzip

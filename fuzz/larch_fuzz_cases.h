// What the Larch fuzz targets do with one input, shared with the regression
// tests that replay the inputs once found: SQL text and filter text against a
// small table, and damaged table files opened, read, checked and repaired.
// Refusals by the engine's own errors are expected; anything else escapes.
// Each returns whether its input ran without a refusal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace larch::fuzz {

// Prepares, then opens or executes, one statement against the table "T" (a
// field of every kind, three indexes, six records) restored to its first
// state before every input.
bool RunSql(const std::string& text);

// The filter text on a cursor over "T": every record passing it is read.
bool RunFilter(const std::string& text);

// Table files packed as: data file length (4 bytes, little-endian), index
// file length (4 bytes), the data file, the index file, the blob file. The
// table is opened, every field of every record formatted, the table checked,
// and repaired; a repaired table must pass the integrity check.
bool RunTableFiles(const uint8_t* data, std::size_t size);

// The packed form of "T"'s files, the seed for RunTableFiles.
std::vector<uint8_t> PackedFixtureTable();

}  // namespace larch::fuzz

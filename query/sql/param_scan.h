// The parameter scan of a query text: named ":name" markers become "?" and
// their names are collected; and the rebuild of a parameter list for a new text.
#pragma once

#include <string>
#include <vector>

#include "query/sql/larch_params.h"

namespace larch {

// Rewrites `text` in place and returns the marker names in text order, one
// per marker (a repeated name appears again).
//
// - A "'" or a double quote toggles between inside and outside a literal;
//   inside a literal nothing is a marker.
// - "::" outside a literal becomes a single ":" that is not a marker.
// - Any other ":" outside a literal starts a marker. Its name runs to the first
//   line feed, carriage return, blank, ")", "," or ";" that is not inside
//   quotes, or to the end of the text. A name beginning with a quote may hold
//   those characters; the quote characters at its start and end are removed.
// - The ":" and its name are replaced by "?".
std::vector<std::string> ScanParams(std::string& text);

// Replaces `params` with one new parameter per name (data type and kind
// unknown), in order; each new parameter takes the value of the first old
// parameter of exactly the same name (case-sensitive), if there is one.
void RebuildParams(TLarchParams& params, const std::vector<std::string>& names);

}  // namespace larch

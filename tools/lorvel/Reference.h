// The setup script reference, docs/script-reference.md: every section and key the
// program reads, printed in Markdown from the script's vocabulary, so the reference
// changes when the table does and never otherwise.
//
//   a fixed key            => | `SetupSpeed` | its meaning |
//   a numbered key, bound  => | `Name1` ... `Name20` | its meaning |
//   a numbered key, none   => | `File1`, `File2`, ... | its meaning |
#pragma once

#include <iosfwd>
#include <string>

namespace lorvel::tool {

// The whole file, the same bytes on every run and host.
std::string ScriptReference();

int RunReference(std::ostream& out);

}  // namespace lorvel::tool

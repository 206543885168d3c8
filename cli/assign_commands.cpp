#include <ostream>

#include "cli/cli.h"

namespace morvane::cli {

Outcome runAssign(Session&, const Args&, std::ostream&) { return Outcome::failure("not available yet"); }

}  // namespace morvane::cli

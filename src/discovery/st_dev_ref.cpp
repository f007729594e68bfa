#include "discovery/st_dev_ref.h"

namespace ptz {

std::optional<std::vector<st_DevRef>> arrDevList;

}  // namespace ptz

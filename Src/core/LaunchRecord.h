// The record shared with the host and the module's operation table. Their one
// definition is the public contract, include/QvMulti.h; this header keeps the
// module's include path for them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../../include/QvMulti.h"

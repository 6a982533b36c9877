#pragma once

// DbError lives with the engine seam, below the connection and the record sources; the
// windows, dialogs and reports may keep including it from here.
#include "core/engine/DbError.h"

#pragma once
// Moved below the text module; kept here while callers move over.
#include "base/Result.h"

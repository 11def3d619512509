// The whole Kiln library.
#pragma once

#include <kiln/core.h>

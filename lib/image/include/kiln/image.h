// Everything of the imaging layer.
#pragma once

#include <kiln/data.h>
#include <kiln/qdrawable.h>

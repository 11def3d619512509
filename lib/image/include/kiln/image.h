/// \file
/// Everything of the imaging layer.
#pragma once

#include <kiln/data.h>
#include <kiln/qbitmap.h>
#include <kiln/qdrawable.h>
#include <kiln/qimage.h>
#include <kiln/qpsd.h>

// Everything of the windowing and drawing layer.
#pragma once

#include <kiln/image.h>
#include <kiln/qevent.h>
#include <kiln/qglcontext.h>
#include <kiln/qxdisplay.h>

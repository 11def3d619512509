/// \file
/// The whole Kiln library.
#pragma once

#include <kiln/core.h>
#include <kiln/data.h>
#include <kiln/gui.h>
#include <kiln/image.h>
#include <kiln/net.h>
#include <kiln/scene.h>

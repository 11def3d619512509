// Everything of the 3D scene library.
#pragma once

#include <kiln/dbox.h>
#include <kiln/dculler.h>
#include <kiln/dmatrix3.h>
#include <kiln/dmatrix4.h>
#include <kiln/dplane3.h>
#include <kiln/dvector3.h>
#include <kiln/gui.h>

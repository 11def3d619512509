/// \file
/// Everything of the network layer.
#pragma once

#include <kiln/data.h>
#include <kiln/qnaddress.h>
#include <kiln/qnet.h>
#include <kiln/qnsocket.h>
#include <kiln/qremote.h>

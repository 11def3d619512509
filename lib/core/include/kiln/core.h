// Everything of the core services.
#pragma once

#include <kiln/qassert.h>
#include <kiln/qdebug.h>
#include <kiln/qdirectory.h>
#include <kiln/qexit.h>
#include <kiln/qmemory.h>
#include <kiln/qobject.h>
#include <kiln/qtrace.h>

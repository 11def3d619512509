/// \file
/// Everything of the core services.
#pragma once

#include <kiln/qalloc.h>
#include <kiln/qassert.h>
#include <kiln/qcolor.h>
#include <kiln/qdebug.h>
#include <kiln/qdirectory.h>
#include <kiln/qeval.h>
#include <kiln/qexit.h>
#include <kiln/qmemory.h>
#include <kiln/qobject.h>
#include <kiln/qobjectmanager.h>
#include <kiln/qpath.h>
#include <kiln/qrect.h>
#include <kiln/qsplit.h>
#include <kiln/qstring.h>
#include <kiln/qtext.h>
#include <kiln/qtimer.h>
#include <kiln/qtrace.h>
#include <kiln/qutil.h>

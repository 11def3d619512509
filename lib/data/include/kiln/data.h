/// \file
/// Everything of the configuration, file and archive layer.
#pragma once

#include <kiln/core.h>
#include <kiln/qarchive.h>
#include <kiln/qfile.h>
#include <kiln/qinfo.h>
#include <kiln/qlanguage.h>

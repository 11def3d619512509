// Everything of the windowing and drawing layer.
#pragma once

#include <kiln/image.h>
#include <kiln/qblitqueue.h>
#include <kiln/qcanvas.h>
#include <kiln/qevent.h>
#include <kiln/qfont.h>
#include <kiln/qfontlist.h>
#include <kiln/qgc.h>
#include <kiln/qglcontext.h>
#include <kiln/qtextstyle.h>
#include <kiln/qtexturefont.h>
#include <kiln/qxdisplay.h>

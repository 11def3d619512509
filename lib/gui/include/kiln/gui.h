// Everything of the windowing and drawing layer.
#pragma once

#include <kiln/image.h>
#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qblitqueue.h>
#include <kiln/qbutton.h>
#include <kiln/qcanvas.h>
#include <kiln/qcursor.h>
#include <kiln/qdisplay.h>
#include <kiln/qdraw.h>
#include <kiln/qevent.h>
#include <kiln/qfont.h>
#include <kiln/qfontlist.h>
#include <kiln/qgc.h>
#include <kiln/qglcontext.h>
#include <kiln/qgroup.h>
#include <kiln/qshell.h>
#include <kiln/qtextstyle.h>
#include <kiln/qtexturefont.h>
#include <kiln/qwindow.h>
#include <kiln/qwindowhost.h>
#include <kiln/qwindowmanager.h>
#include <kiln/qxdisplay.h>
#include <kiln/qxwindow.h>

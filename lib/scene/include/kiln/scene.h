// Everything of the 3D scene library.
#pragma once

#include <kiln/dbatch.h>
#include <kiln/dbitmaptexture.h>
#include <kiln/dbox.h>
#include <kiln/dculler.h>
#include <kiln/ddrawabletexture.h>
#include <kiln/ddrawing.h>
#include <kiln/denvironmentsource.h>
#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dgpushader.h>
#include <kiln/dmaterial.h>
#include <kiln/dmatrix3.h>
#include <kiln/dmatrix4.h>
#include <kiln/dobject.h>
#include <kiln/dplane3.h>
#include <kiln/dshader.h>
#include <kiln/dshaderrender.h>
#include <kiln/dtexture.h>
#include <kiln/dtexturemanager.h>
#include <kiln/dtexturemap.h>
#include <kiln/dtexturepool.h>
#include <kiln/dvector3.h>
#include <kiln/gui.h>

#include <kiln/dworldpainter.h>

#include <kiln/dgeob.h>
#include <kiln/dmatrix4.h>
#include <kiln/dshader.h>
#include <kiln/dtexture.h>
#include <kiln/dworld.h>

#include <GL/gl.h>

namespace {

const GLenum kTexGenCoords[4] = {GL_S, GL_T, GL_R, GL_Q};
const GLenum kTexGenEnables[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};

}  // namespace

void DWorldPainter::SetShader(const DShader &shader) {
  switch (shader.flags & DSHADER_CULL_MASK) {
    case 1:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      break;
    case 2:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_FRONT);
      break;
    default: glDisable(GL_CULL_FACE);
  }
  (shader.flags & DSHADER_FOG) ? glEnable(GL_FOG) : glDisable(GL_FOG);
}

void DWorldPainter::SetLayer(const DShaderLayer &layer) {
  if (layer.texture) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, layer.texture->GetTexID());
    glColor4f(1, 1, 1, 1);
  } else {
    glDisable(GL_TEXTURE_2D);
    glColor4fv(layer.diffuse);
  }
  if (layer.flags & DSL_BLEND) {
    glEnable(GL_BLEND);
    glBlendFunc(layer.blendSrc, layer.blendDst);
  } else {
    glDisable(GL_BLEND);
  }
  (layer.flags & DSL_DEPTH_TEST_OFF) ? glDisable(GL_DEPTH_TEST) : glEnable(GL_DEPTH_TEST);
  glDepthFunc(layer.depthFunc);
  glDepthMask((layer.flags & DSL_DEPTH_WRITE) ? GL_TRUE : GL_FALSE);
  if (layer.alphaFunc != GL_ALWAYS) {
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(layer.alphaFunc, layer.alphaRef);
  } else {
    glDisable(GL_ALPHA_TEST);
  }
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(layer.texEnv));
  if (layer.texEnv == GL_COMBINE) {
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, static_cast<GLint>(layer.combineMode));
    const GLenum sources[3] = {GL_SOURCE0_RGB, GL_SOURCE1_RGB, GL_SOURCE2_RGB};
    const GLenum operands[3] = {GL_OPERAND0_RGB, GL_OPERAND1_RGB, GL_OPERAND2_RGB};
    for (int i = 0; i < 3; ++i) {
      glTexEnvi(GL_TEXTURE_ENV, sources[i], static_cast<GLint>(layer.combineSource[i]));
      glTexEnvi(GL_TEXTURE_ENV, operands[i], static_cast<GLint>(layer.combineOperand[i]));
    }
    glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE, layer.combineScale);
  }
  for (int i = 0; i < 4; ++i) {
    if (!layer.texGen[i]) {
      glDisable(kTexGenEnables[i]);
      continue;
    }
    glEnable(kTexGenEnables[i]);
    glTexGeni(kTexGenCoords[i], GL_TEXTURE_GEN_MODE, static_cast<GLint>(layer.texGen[i]));
    if (layer.texGen[i] == GL_OBJECT_LINEAR) glTexGenfv(kTexGenCoords[i], GL_OBJECT_PLANE, layer.texGenPlanes[i]);
    if (layer.texGen[i] == GL_EYE_LINEAR) glTexGenfv(kTexGenCoords[i], GL_EYE_PLANE, layer.texGenPlanes[i]);
  }
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glScalef(layer.texScale[0], layer.texScale[1], layer.texScale[2]);
  glMatrixMode(GL_MODELVIEW);
}

DWorldPainter::Counts DWorldPainter::Paint(const DWorld &world, bool visibleOnly) {
  Counts counts;
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glEnableClientState(GL_VERTEX_ARRAY);
  // The optional arrays stay on from one geob to the next that has them:
  // switching them for every geob makes the driver rebuild its array state.
  for (GLenum array : {GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY}) glDisableClientState(array);
  DGeob::ArraysOn arraysOn;
  const int count = world.GetItemCount();
  for (int at = 0; at < count;) {
    const DRenderItem *first = world.GetItem(at);
    if ((visibleOnly && !first->IsVisible()) || !first->shader) {
      ++at;
      continue;
    }
    // The run: the next items to paint with the same shader.
    const DShader &shader = *first->shader;
    int end = at + 1;
    while (end < count) {
      const DRenderItem *next = world.GetItem(end);
      if (visibleOnly && !next->IsVisible()) {
        ++end;
        continue;
      }
      if (next->shader != first->shader) break;
      ++end;
    }
    ++counts.shaderChanges;
    SetShader(shader);
    for (int layer = 0; layer < shader.layerCount; ++layer) {
      SetLayer(shader.layers[layer]);
      for (int i = at; i < end; ++i) {
        const DRenderItem *item = world.GetItem(i);
        if (visibleOnly && !item->IsVisible()) continue;
        if (layer == 0) ++counts.items;
        if (item->transform) {
          glPushMatrix();
          glMultMatrixf(item->transform->m);
        }
        for (int burst = 0; burst < item->geob->GetBurstCount(); ++burst) {
          item->geob->PaintBurst(burst, &arraysOn);
          ++counts.drawCalls;
        }
        if (item->transform) glPopMatrix();
      }
    }
    at = end;
  }
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopClientAttrib();
  glPopAttrib();
  return counts;
}

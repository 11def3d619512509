#include <kiln/qbitmapgel.h>

#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>

#include <typeinfo>

QBitmapGel::QBitmapGel(const QBitMap *bitmap, bool blend) : bitmap(nullptr), blend(blend) { SetBitmap(bitmap); }

void QBitmapGel::SetBitmap(const QBitMap *newBitmap) {
  bitmap = newBitmap;
  SetSize(bitmap ? bitmap->GetWidth() : 0, bitmap ? bitmap->GetHeight() : 0);
  Invalidate();
}

void QBitmapGel::Paint() {
  if (!IsHidden()) Blit(0, 0, width, height);
}

void QBitmapGel::PaintPart(const QRect &part) { Blit(part.x, part.y, part.width, part.height); }

void QBitmapGel::Blit(int sx, int sy, int partWidth, int partHeight) {
  if (!bitmap || !canvas) return;
  const int mode = canvas->GetBlending();
  canvas->Blend(blend);
  canvas->Blit(bitmap, x + sx, y + sy, partWidth, partHeight, sx, sy);
  canvas->SetBlending(mode);
}

bool QBitmapGel::IsPlain(const QGel *gel) { return gel && typeid(*gel) == typeid(QBitmapGel); }

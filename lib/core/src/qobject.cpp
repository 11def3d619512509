#include <kiln/qobject.h>

#include <kiln/qdebug.h>
#include <kiln/qmemory.h>

QObject::~QObject() {
  QFree(name);
  name = nullptr;
}

void QObject::DbgPrint() const {
  qdbg("@%p %s (class %s)\n", static_cast<const void *>(this), GetName(), ClassName());
}

const char *QObject::GetName() const { return name ? name : "<unnamed_QObject>"; }

const char *QObject::SetName(const char *newName) {
  QFree(name);
  name = QStrDup(newName ? newName : "<null-named>");
  return name;
}

void QObject::ReportNew(const char *title) {
  qdbg("### New QObjects (%s) - QDBG_KEEP_OBJECT_LIST is not on in qobject ###\n", title ? title : "-");
}

void QObject::Report(const char *title) {
  qdbg("### QObject report (%s) - QDBG_KEEP_OBJECT_LIST is not on in qobject ###\n", title ? title : "-");
}

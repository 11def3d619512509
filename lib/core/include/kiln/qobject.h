/// \file
/// QObject, the base of the library's classes.
#pragma once

/// Base of the library's classes: an optional name for debugging, the class
/// name and a one-line debug print.
class QObject {
public:
  QObject() = default;
  QObject(const QObject &) = delete;
  QObject &operator=(const QObject &) = delete;

  /// The class's name, as "QBitMap"; every concrete class gives its own.
  virtual const char *ClassName() const = 0;
  /// Prints "@address name (class ClassName)" through qdbg().
  virtual void DbgPrint() const;
  virtual ~QObject();

  /// The name, or "<unnamed_QObject>".
  const char *GetName() const;
  /// Stores a copy of the name ("<null-named>" for null); returns the copy.
  const char *SetName(const char *name);

  ///@{
  /// Object reports; the object list they need is not kept, so each prints
  /// a notice only.
  static void ReportNew(const char *title);
  static void Report(const char *title);
  ///@}

private:
  char *name = nullptr;
};

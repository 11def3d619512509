/// \file
/// Free functions the rest of the library leans on: file names, whole files,
/// paths, wildcard matching, bytes and numbers, sleeping and privileges.
#pragma once

#include <cstddef>
#include <cstdint>

#include <kiln/qexit.h>

/// "VAR:rest" becomes the value of the environment variable VAR, a '/' and
/// the rest, in a buffer shared by all calls. Other names, and names whose
/// variable is unset or whose expansion would not fit, come back unchanged.
const char *QExpandFilename(const char *name);

/// True when the name (expanded) opens as a file for reading.
bool QFileExists(const char *name);
/// Size in bytes, -1 when the file can't be opened.
long QFileSize(const char *name);
/// Reads up to `length` bytes; true when the file opened.
bool QReadFile(const char *name, void *buffer, long length);
/// Creates or truncates the file and writes `length` bytes; true when all of
/// them reached the file.
bool QWriteFile(const char *name, const void *data, long length);
/// False when either file can't be opened, a write fails, or both name the
/// same file (which is left as it is).
bool QCopyFile(const char *source, const char *destination);
/// Makes the directory with the permission bits; false when it can't.
bool QMakeDir(const char *path, int mode);
/// Removes an empty directory; false when it can't.
bool QRemoveDir(const char *name);
/// Removes a file; false when it can't.
bool QRemoveFile(const char *name);
/// True when the path names a directory (links followed).
bool QIsDirectory(const char *path);

/// The last '.' of the path, or null; an empty path returns itself.
const char *QFindExtension(const char *path);
/// Just after the last '/' or '\\', or the whole path.
const char *QFileName(const char *path);
/// `dir` joined with `part` into `out`; a part of ".." removes the last
/// component instead. False (with `out` empty) when the result does not fit
/// in `outSize` bytes.
bool QAppendPath(const char *dir, const char *part, char *out, std::size_t outSize);
/// Wildcard match ignoring case: '*' any run, '?' one character, '!' negates
/// the rest of the pattern, '(' and ')' are ignored.
bool QMatch(const char *pattern, const char *text);

/// The smallest power of two at or above the value (1 for values up to 1);
/// 0 when no such power fits in an int (values above 2^30).
int QNearestPowerOf2(int value, bool rounding = false);
/// The largest power of two at or below the value; 0 below 1.
int QFloorPowerOf2(int value);
///@{
/// The value with its bytes in the other order.
uint16_t QSwap16(uint16_t value);
uint32_t QSwap32(uint32_t value);
///@}
///@{
/// Swaps the bytes of every word, in place.
void QSwap16Array(uint16_t *words, int count);
void QSwap32Array(uint32_t *words, int count);
///@}
///@{
/// In place, ASCII letters only.
void QLowerCase(char *text);
void QUpperCase(char *text);
///@}
/// "Hex <address>:" and " %02x" for each byte, through qdbg().
void QHexDump(const void *data, int length);

/// Sleeps the time; nothing for 0 or less.
void QSleepMicro(long microseconds);
/// Busy wait with 1-microsecond sleeps.
void QWaitMilli(int milliseconds);
/// On: effective user and group 0; off: back to the real ones. True when
/// both switches succeeded.
bool QSetRootPrivileges(bool on);
///@{
/// Not available on this platform; they say so and return 0 or false.
int QFindProcess();
bool QKillProcess(const char *name);
///@}

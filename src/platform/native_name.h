#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ruz {

// File names as the file system holds them: bytes, as a rule UTF-8. A name that is not valid
// UTF-8 still has to be listed, shown and opened, so each byte of an invalid sequence is kept in
// the name as the lone surrogate U+DC80 + (byte - 0x80), and given back as that byte when the
// file is opened.

// The name of `bytes`, without loss.
QString nameFromNative(const QByteArray& bytes);
// The bytes of a name or path made by nameFromNative (or any ordinary text: UTF-8).
QByteArray nativeFromName(const QString& name);
// The name as it is shown: every kept byte is the replacement character U+FFFD.
QString displayName(const QString& name);
// The names of the files in `folder` (without "." and ".."), every one of them, in no order;
// empty when the folder cannot be read.
QStringList listFileNames(const QString& folder);

}  // namespace ruz

#pragma once

#include <QString>

// Private-profile files: "[Section]" lines open sections, "key=value" lines hold values.
// Section and key names match without regard to letter case; the first match wins.
namespace IniFile {

// The value of key in section of the file at path, or fallback when the file, the section or
// the key is missing or the file cannot be read.
QString read(const QString& path, const QString& section, const QString& key,
             const QString& fallback);

// The same over the file's bytes, for callers that hold them already.
QString readFromBytes(const QByteArray& contents, const QString& section, const QString& key,
                      const QString& fallback);

// Writes key=value into section, creating the file, the section and the key as needed.
// An existing value is replaced in place; every other line stays byte for byte as it was.
// False, with nothing written, when path is a folder or a symbolic link.
bool write(const QString& path, const QString& section, const QString& key, const QString& value);

// The new contents of a file after such a write.
QByteArray writeToBytes(const QByteArray& contents, const QString& section, const QString& key,
                        const QString& value);

} // namespace IniFile

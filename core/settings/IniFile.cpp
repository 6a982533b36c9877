#include "core/settings/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

// Files larger than this are not settings files; reading stops there.
constexpr qint64 kMaxIniBytes = 64 * 1024 * 1024;

struct Line {
    qsizetype start = 0;  // offset of the line in the file
    qsizetype length = 0; // without its line break
};

QList<Line> splitLines(const QByteArray& data)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype nl = data.indexOf('\n', start);
        qsizetype end = nl < 0 ? data.size() : nl;
        qsizetype len = end - start;
        if (len > 0 && data.at(start + len - 1) == '\r')
            --len;
        lines.append({start, len});
        start = nl < 0 ? data.size() : nl + 1;
    }
    return lines;
}

QString decode(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes).trimmed();
}

bool sameName(const QByteArray& bytes, const QString& name)
{
    return decode(bytes).compare(name.trimmed(), Qt::CaseInsensitive) == 0;
}

// The section name when the line opens a section.
bool sectionOf(const QByteArray& line, QByteArray* name)
{
    QByteArray t = line.trimmed();
    if (!t.startsWith('['))
        return false;
    qsizetype close = t.indexOf(']');
    *name = close < 0 ? t.mid(1) : t.mid(1, close - 1);
    return true;
}

// The key and value when the line holds one.
bool keyOf(const QByteArray& line, QByteArray* key, QByteArray* value)
{
    qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return false;
    QByteArray k = line.left(eq).trimmed();
    if (k.isEmpty() || k.startsWith(';'))
        return false;
    *key = k;
    *value = line.mid(eq + 1).trimmed();
    return true;
}

QString unquote(QString v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

struct Location {
    int sectionLine = -1;     // line of the section header
    int lastSectionLine = -1; // last non-blank line of the section
    int keyLine = -1;
};

Location locate(const QByteArray& data, const QList<Line>& lines, const QString& section,
                const QString& key)
{
    Location loc;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = data.mid(lines[i].start, lines[i].length);
        QByteArray name;
        if (sectionOf(line, &name)) {
            if (inSection)
                break;
            if (sameName(name, section)) {
                inSection = true;
                loc.sectionLine = loc.lastSectionLine = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!line.trimmed().isEmpty())
            loc.lastSectionLine = i;
        QByteArray k, v;
        if (loc.keyLine < 0 && keyOf(line, &k, &v) && sameName(k, key))
            loc.keyLine = i;
    }
    return loc;
}

} // namespace

namespace IniFile {

QString readFromBytes(const QByteArray& data, const QString& section, const QString& key,
                      const QString& fallback)
{
    const QList<Line> lines = splitLines(data);
    Location loc = locate(data, lines, section, key);
    if (loc.keyLine < 0)
        return fallback;
    QByteArray k, v;
    keyOf(data.mid(lines[loc.keyLine].start, lines[loc.keyLine].length), &k, &v);
    return unquote(QString::fromUtf8(v));
}

QString read(const QString& path, const QString& section, const QString& key,
             const QString& fallback)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return fallback;
    // read() makes room for all it may take first: a file's own size keeps that small.
    const qint64 most = file.isSequential() ? kMaxIniBytes : std::min(kMaxIniBytes, file.size());
    return readFromBytes(file.read(most), section, key, fallback);
}

// The value as it goes into the file: quoted when the reader would otherwise trim its blanks
// or strip its own quotes, so that reading gives back exactly what was written.
static QByteArray storedForm(const QString& value)
{
    const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                        value.back() == value.front();
    const bool padded = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const QByteArray bytes = value.toUtf8();
    return quoted || padded ? '"' + bytes + '"' : bytes;
}

QByteArray writeToBytes(const QByteArray& data, const QString& section, const QString& key,
                        const QString& value)
{
    const QList<Line> lines = splitLines(data);
    const QByteArray eol = data.contains("\r\n") ? "\r\n" : "\n";
    Location loc = locate(data, lines, section, key);
    QByteArray out;
    if (loc.keyLine >= 0) {
        // Keep the key as spelled in the file and replace only what follows the '='.
        const Line& l = lines[loc.keyLine];
        qsizetype eq = data.indexOf('=', l.start);
        out = data.left(eq + 1) + storedForm(value) + data.mid(l.start + l.length);
        return out;
    }
    QByteArray keyLine = key.toUtf8() + '=' + storedForm(value);
    if (loc.sectionLine >= 0) {
        const Line& after = lines[loc.lastSectionLine];
        qsizetype pos = after.start + after.length;
        // Past the line break of that line, if there is one.
        if (pos < data.size() && data.at(pos) == '\r')
            ++pos;
        if (pos < data.size() && data.at(pos) == '\n')
            ++pos;
        QByteArray insert = keyLine + eol;
        if (pos == data.size() && !data.isEmpty() && !data.endsWith('\n'))
            insert = eol + insert;
        return data.left(pos) + insert + data.mid(pos);
    }
    out = data;
    if (!out.isEmpty() && !out.endsWith('\n'))
        out += eol;
    out += '[' + section.toUtf8() + ']' + eol + keyLine + eol;
    return out;
}

bool write(const QString& path, const QString& section, const QString& key, const QString& value)
{
    QByteArray data;
    QFileInfo info(path);
    // Whoever made the link chose the file it leads to, which may be any file of this user's.
    if (info.isDir() || info.isSymLink())
        return false;
    if (info.exists()) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        data = in.readAll();
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(writeToBytes(data, section, key, value));
    return out.commit();
}

} // namespace IniFile

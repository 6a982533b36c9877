#include "core/jet/JetFile.h"

#include <QFile>

#include <array>
#include <cstring>

namespace {
constexpr int kVersionAt = 0x14;
// The part of the first page that is stored scrambled (RC4 with a key every file shares).
constexpr int kScrambledAt = 0x18;
constexpr int kPasswordAt = 0x42;
constexpr int kHeaderBytes = kScrambledAt + 128;

quint32 le32(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

void unscramble(uchar* data, int length)
{
    const std::array<uchar, 4> key = {0xc7, 0xda, 0x39, 0x6b};
    std::array<uchar, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = uchar(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xff];
    }
}

// Jet 3 keeps up to 14 characters, one byte each, zero when no password is set.
bool jet3Password(const uchar* clear)
{
    for (int i = 0; i < 14; ++i) {
        if (clear[kPasswordAt + i])
            return true;
    }
    return false;
}

// Jet 4 and ACE keep 20 characters of two bytes, every other one masked with a word of the
// file's own: without a password the odd ones are zero and the even ones all that mask.
bool jet4Password(const uchar* clear)
{
    auto word = [clear](int i) {
        return clear[kPasswordAt + 2 * i] | clear[kPasswordAt + 2 * i + 1] << 8;
    };
    for (int i = 0; i < 20; ++i) {
        if (i % 2 ? word(i) != 0 : word(i) != word(0))
            return true;
    }
    return false;
}
} // namespace

JetHeader ReadJetHeader(const QByteArray& start)
{
    JetHeader h;
    if (start.size() < kHeaderBytes || !start.startsWith(QByteArray("\0\1\0\0", 4)))
        return h;
    const QByteArray magic = start.mid(4, 16);
    const bool jet = magic == QByteArray("Standard Jet DB\0", 16);
    const bool ace = magic == QByteArray("Standard ACE DB\0", 16);
    if (!jet && !ace)
        return h;
    std::array<uchar, kHeaderBytes> clear;
    std::memcpy(clear.data(), start.constData(), clear.size());
    const quint32 version = le32(clear.data() + kVersionAt);
    if (jet && version == 0)
        h.format = JetFormat::Jet3;
    else if (jet && version == 1)
        h.format = JetFormat::Jet4;
    else if (ace && version >= 2 && version <= 6)
        h.format = JetFormat::Ace;
    else
        h.format = JetFormat::Unknown;
    h.pageSize = h.format == JetFormat::Jet3 ? 2048 : 4096;
    unscramble(clear.data() + kScrambledAt, h.format == JetFormat::Jet3 ? 126 : 128);
    h.password =
        h.format == JetFormat::Jet3 ? jet3Password(clear.data()) : jet4Password(clear.data());
    return h;
}

JetHeader JetHeaderOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return ReadJetHeader(f.read(kHeaderBytes));
}

bool IsJetFile(const QString& path)
{
    return JetHeaderOf(path).format != JetFormat::None;
}

QString JetFormatName(JetFormat format)
{
    switch (format) {
    case JetFormat::Jet3:
        return QStringLiteral("Jet 3");
    case JetFormat::Jet4:
        return QStringLiteral("Jet 4");
    case JetFormat::Ace:
        return QStringLiteral("ACE");
    case JetFormat::Unknown:
        return QStringLiteral("of a version Vantor does not know");
    case JetFormat::None:
        break;
    }
    return QString();
}

QString JetNotVantorText(const JetHeader& header)
{
    QString text = QStringLiteral("The file is an Access database (%1), not a Vantor database. "
                                  "Vantor copies the records of such a file into a database of "
                                  "its own (vantor --copy ACCESSFILE NEWFILE) and leaves the "
                                  "Access file as it was; it does not work in it.")
                       .arg(JetFormatName(header.format));
    if (header.password)
        text += QStringLiteral(" This one is protected by a password, which Vantor does not read "
                               "past: remove the password in Access first.");
    return text;
}

bool IsCopyableJetFile(const JetHeader& header)
{
    return header.format != JetFormat::None && header.format != JetFormat::Unknown &&
           !header.password;
}

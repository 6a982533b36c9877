// A changelog file read into text, refused whole when it is not one.
#include "core/notes/ChangelogParser.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {
int lineAt(const QByteArray& bytes, qsizetype at)
{
    return int(QByteArrayView(bytes).first(at).count('\n')) + 1;
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1);
}
} // namespace

QString ChangelogText(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        throw NotesError(QStringLiteral("The file is empty; expected a changelog with a line "
                                        "such as \"## [1.0.0] - 2024-05-01\"."));
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        throw ChangelogError(lineAt(bytes, nul),
                             QStringLiteral("expected text, found a NUL byte: this is a binary "
                                            "file, not a changelog"));
    QByteArrayView text(bytes);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(text);
    if (!decoder.hasError())
        return decoded;
    // Find the first line that is not UTF-8, to name it.
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(lineDecoder.decode(text.sliced(start, end - start)));
        if (lineDecoder.hasError())
            break;
        start = end + 1;
    }
    throw ChangelogError(lineAt(bytes, start + (bytes.size() - text.size())),
                         QStringLiteral("expected UTF-8 text, found bytes that are not: this is "
                                        "not a text file, or not one in UTF-8"));
}

Changelog ReadChangelogFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw NotesError(QStringLiteral("There is no file %1.").arg(path));
    if (info.isDir())
        throw NotesError(QStringLiteral("%1 is a folder, not a changelog file.").arg(path));
    if (info.size() > kMaxChangelogBytes)
        throw NotesError(QStringLiteral("The file is %1 MB; a changelog of up to %2 MB can be "
                                        "imported.")
                             .arg(megabytes(info.size()), megabytes(kMaxChangelogBytes)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw NotesError(QStringLiteral("The file cannot be read: %1.").arg(file.errorString()));
    // Read no more than the limit, should the file have grown since.
    const QByteArray bytes = file.read(kMaxChangelogBytes + 1);
    if (bytes.size() > kMaxChangelogBytes)
        throw NotesError(QStringLiteral("The file is over %1 MB; a changelog of up to %1 MB can "
                                        "be imported.")
                             .arg(megabytes(kMaxChangelogBytes)));
    return ParseChangelog(ChangelogText(bytes));
}

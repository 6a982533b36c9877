// Any bytes as an Access file: its header is read, and the whole file through libmdb, every
// table and row; each ends in values or in a refusal (DbError), never in a crash, a hang or a
// read out of bounds. libmdb reads a file by its name, so the bytes go to one first.
#include "core/engine/DbError.h"
#include "core/jet/JetFile.h"
#include "core/jet/JetFileReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ReadJetHeader(bytes);
    static const QString path = QDir::temp().filePath(
        QStringLiteral("fuzz_jet-%1.mdb").arg(QCoreApplication::applicationPid()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        abort();
    file.close();
    try {
        JetFileReader reader(path);
        for (const QString& table : reader.tables()) {
            const qsizetype columns = reader.columns(table).size();
            reader.rows(table, [columns](const QVariant* values) {
                for (qsizetype c = 0; c < columns; ++c)
                    values[c].toString();
            });
        }
    } catch (const DbError&) {
    }
    return 0;
}

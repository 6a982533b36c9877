// Any bytes as a CSV file and as a JSON document: the readers either read them or refuse them
// with a DbError naming a line, never crash, hang or read past the end; a CSV record read back
// after writing its fields gives the same fields.
#include "core/engine/DbError.h"
#include "core/exchange/Csv.h"
#include "core/exchange/Json.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Copied, so that the sanitizer sees every read past the input's end.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const std::vector<CsvRecord> records = ReadCsv(bytes);
        for (const CsvRecord& r : records) {
            QByteArray again;
            for (qsizetype i = 0; i < r.fields.size(); ++i) {
                if (i)
                    again += ',';
                AppendCsvField(again, r.fields.at(i));
            }
            const std::vector<CsvRecord> back = ReadCsv(again);
            const bool emptyLine = again.isEmpty();
            if (!emptyLine && (back.size() != 1 || back.front().fields != r.fields))
                std::abort();
        }
    } catch (const DbError& e) {
        if (!e.text().startsWith(QLatin1String("line ")))
            std::abort();
    }
    try {
        JsonReader r(bytes.constData(), bytes.size());
        r.skipValue();
        r.expectEnd();
    } catch (const JsonError&) {
    }
    return 0;
}

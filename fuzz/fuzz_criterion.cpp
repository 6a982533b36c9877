// Any text as a find criterion: parsing never fails, and a title criterion built by the
// program parses back to the same title.
#include "core/sql/Criteria.h"
#include "core/sql/SqlText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    ParseCriterion(text);
    const auto c = ParseCriterion(Sql::TitleCriterion(text));
    if (!c || c->field != QStringLiteral("SoftwareTitle") || c->value.toString() != text)
        abort();
    const auto k = ParseCriterion(Sql::ReleaseCriterion(text));
    if (!k || k->value.typeId() != QMetaType::LongLong)
        abort();
    return 0;
}

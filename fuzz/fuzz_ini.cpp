// Any bytes as a settings file: reading never fails, and a value written is read back.
#include "core/settings/IniFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    IniFile::readFromBytes(file, QStringLiteral("Preferences"), QStringLiteral("Database"),
                           QStringLiteral("default"));
    const QString value = QStringLiteral("/home/user/My Data/vantor.mdb");
    const QByteArray after = IniFile::writeToBytes(file, QStringLiteral("Preferences"),
                                                   QStringLiteral("Database"), value);
    const QString back = IniFile::readFromBytes(after, QStringLiteral("preferences"),
                                                QStringLiteral("DATABASE"), QString());
    if (back != value)
        abort();
    return 0;
}

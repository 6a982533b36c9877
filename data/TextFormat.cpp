#include "data/TextFormat.h"

#include <QLocale>

QString PadColumn(const QString& text)
{
    if (text.size() > kColumnWidth)
        return text + QLatin1Char(' ');
    return text.leftJustified(kColumnWidth, QLatin1Char(' '));
}

namespace {
QChar dateSeparator()
{
    // The separator of the system's short date, a slash under U.S. and C settings.
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (QChar c : format) {
        if (!c.isLetter())
            return c;
    }
    return QLatin1Char('/');
}
} // namespace

QString DateText(const QDate& date)
{
    if (!date.isValid())
        return {};
    static const QChar sep = dateSeparator();
    // Built piece by piece: with placeholders, "%4" followed by the day's digits would read
    // as a higher-numbered placeholder.
    const auto digits = [](int n, int width) {
        return QString::number(n).rightJustified(width, QLatin1Char('0'));
    };
    return digits(date.month(), 2) + sep + digits(date.day(), 2) + sep + digits(date.year(), 4);
}

QDate StoredDate(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    if (stored.typeId() == QMetaType::QDate)
        return stored.toDate();
    const QString s = stored.toString();
    return QDate::fromString(s.left(10), Qt::ISODate);
}

QString DateText(const QVariant& stored) { return DateText(StoredDate(stored)); }

QString VersionLine(const QString& releaseNumber, const QVariant& releaseDate)
{
    return PadColumn(releaseNumber) + DateText(releaseDate);
}

QString FileLine(const QString& file, const QString& version, const QVariant& date)
{
    return PadColumn(file) + PadColumn(version) + DateText(date);
}

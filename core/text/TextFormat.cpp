#include "core/text/TextFormat.h"

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
    // The separator of the system's short date; a slash under U.S. and C settings, and
    // wherever the short date is not written in numbers.
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLatin1Char('/');
    const QString format = system.dateFormat(QLocale::ShortFormat);
    for (QChar c : format) {
        if (!c.isLetter())
            return c.isSpace() || format.contains(QLatin1String("MMM")) ? QLatin1Char('/') : c;
    }
    return QLatin1Char('/');
}
} // namespace

QString DateText(const QDate& date)
{
    if (!date.isValid())
        return {};
    static const QChar sep = dateSeparator();
    const int year = date.year();
    if (year >= 0 && year <= 9999) {
        // Lists of thousands of files format a date per line: build it by hand.
        const QChar digits[] = {QChar(u'0' + date.month() / 10),
                                QChar(u'0' + date.month() % 10),
                                sep,
                                QChar(u'0' + date.day() / 10),
                                QChar(u'0' + date.day() % 10),
                                sep,
                                QChar(u'0' + year / 1000),
                                QChar(u'0' + year / 100 % 10),
                                QChar(u'0' + year / 10 % 10),
                                QChar(u'0' + year % 10)};
        return QString(digits, 10);
    }
    auto digits = [](int n, int width) {
        return QString::number(n).rightJustified(width, QLatin1Char('0'));
    };
    return digits(date.month(), 2) + sep + digits(date.day(), 2) + sep + digits(year, 4);
}

QDate StoredDate(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    if (stored.typeId() == QMetaType::QDate)
        return stored.toDate();
    const QString s = stored.toString();
    // The stored form "yyyy-mm-dd" read directly; anything else goes through the full parser.
    auto digit = [&](int i) { return s.at(i) >= u'0' && s.at(i) <= u'9'; };
    if (s.size() >= 10 && s.at(4) == u'-' && s.at(7) == u'-' && digit(0) && digit(1) && digit(2) &&
        digit(3) && digit(5) && digit(6) && digit(8) && digit(9)) {
        auto number = [&](int from, int count) {
            int n = 0;
            for (int i = from; i < from + count; ++i)
                n = n * 10 + (s.at(i).unicode() - u'0');
            return n;
        };
        return QDate(number(0, 4), number(5, 2), number(8, 2));
    }
    return QDate::fromString(s.left(10), Qt::ISODate);
}

QString DateText(const QVariant& stored)
{
    return DateText(StoredDate(stored));
}

namespace {
// PadColumn appended in place: a list of thousands of lines builds each in one text.
void appendPadded(QString& line, const QString& text)
{
    line += text;
    const qsizetype blanks = text.size() > kColumnWidth ? 1 : kColumnWidth - text.size();
    line.resize(line.size() + blanks, QLatin1Char(' '));
}
} // namespace

QString VersionLine(const QString& releaseNumber, const QVariant& releaseDate)
{
    QString line;
    line.reserve(releaseNumber.size() + kColumnWidth + 12);
    appendPadded(line, releaseNumber);
    line += DateText(releaseDate);
    return line;
}

QString FileLine(const QString& file, const QString& version, const QVariant& date)
{
    QString line;
    line.reserve(file.size() + version.size() + 2 * kColumnWidth + 12);
    appendPadded(line, file);
    appendPadded(line, version);
    line += DateText(date);
    return line;
}

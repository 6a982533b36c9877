#pragma once

#include <QStringList>

// The order of the title list: alphabetical without regard to letter case, as
// QString::compare(a, b, Qt::CaseInsensitive) orders, titles that compare equal keeping the order
// they came in.
void SortWithoutCase(QStringList& titles);

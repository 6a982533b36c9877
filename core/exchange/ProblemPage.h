#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class ProblemReader;
class WorkProgress;

// The problems as a web page that opens from the disk with no server and no network, readable
// on a phone and printable, with a search that finds what the window's Find finds. The page
// holds the problems as data (JSON in a script element) and its script lists them, so that a
// title of 100,000 problems opens in seconds. Each problem's link ("#p" and its key) and each
// title's page ("t" and its key, ".html") stay the same from one export to the next.
//
// One title: one self-contained file. Every title: a folder holding index.html (the titles),
// a page per title, and the style sheet and script they share. Nothing is left at the target
// when the export fails or is stopped; a folder of an earlier export is replaced only once the
// new one is complete, and any other folder that holds files is refused untouched. Returns how
// many problems were written.
qint64 WriteProblemPages(ProblemReader& reader, const QString& target, WorkProgress& progress);

// Text for HTML (a title): "&", "<", ">" and quotes as references, so that no stored text
// becomes markup; line breaks kept, other control characters as numeric references.
QByteArray HtmlEscaped(QStringView text);

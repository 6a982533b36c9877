#pragma once

#include <QByteArray>
#include <QString>

// The kinds of Access database files, told apart by their first page.
enum class JetFormat {
    None,    // not an Access file
    Jet3,    // Access 97
    Jet4,    // Access 2000 to 2003
    Ace,     // Access 2007 and later (.accdb)
    Unknown, // the Access header with a version this program does not know
};

struct JetHeader {
    JetFormat format = JetFormat::None;
    int pageSize = 0;
    // A database password is set; the file is refused rather than read past it.
    bool password = false;
};

// The header of the file whose first bytes are given (its first page, or as much as there is).
JetHeader ReadJetHeader(const QByteArray& start);
// The header of the file at path; None when it is no Access file or cannot be read.
JetHeader JetHeaderOf(const QString& path);
bool IsJetFile(const QString& path);

// "Jet 4", for messages.
QString JetFormatName(JetFormat format);
// Why a database of Vantor's own was expected and this Access file is refused.
QString JetNotVantorText(const JetHeader& header);
// An Access file whose records Vantor can read for a copy, as far as its header tells.
bool IsCopyableJetFile(const JetHeader& header);

#pragma once

#include <QString>

// What Vantor shows and checks of a server's connection address. Every answer comes from
// libpq's own reading of the address (PQconninfoParse), so a password that libpq finds, however
// it is written (with blanks, quotes, a keyword in percent-encoding), is found here too.

// The address as messages show it: only its host, port, database and user, rebuilt as
// postgresql://user@host:port/database (a socket folder as ?host=). An address libpq cannot
// read is never shown as typed.
QString ShownAddress(const QString& uri);

// Whether a connection address carries a password (user:password@ or a password= parameter), as
// libpq reads it; one libpq cannot read counts when a password shows in its text.
bool UriHoldsPassword(const QString& uri);

// The text with the password part of a URI's user info and every password= value replaced by
// "***": a second guard over texts that may quote an address, such as libpq's own errors.
QString MaskPassword(const QString& text);

// libpq's complaint about an address it cannot read, without the part of the address it quotes
// (which may hold a password); the keyword of an unknown parameter stays.
QString AddressFault(const char* libpqError);

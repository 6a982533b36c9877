#pragma once

class QLabel;

// What start-up made of a database setting that names an Access file; NotAccess also for one
// that cannot be copied, which opening then refuses with the reason.
enum class AccessCopy { NotAccess, Copied, Declined, Failed };

// When the database of this run is an Access file of the earlier Vantor, asks once whether to
// copy its records into a new Vantor database file beside it, named so that the Access file
// keeps its own name. Yes copies them, the caption showing it, tells what was copied and what
// was left out, and makes the new file the database of this run and of the settings file (a
// database named on the command line leaves the settings file as it is). No changes nothing.
// A copy that fails says why in one message and leaves no new file; the Access file is only
// ever read.
AccessCopy OfferAccessCopy(QLabel* caption);

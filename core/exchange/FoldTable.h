#pragma once

#include <QByteArray>

// The fold of the search (FoldCodePoint) for every character beyond ASCII that it changes, as
// a JavaScript array: runs of four numbers, the first character, how many follow it, the fold
// of the first, and 1 when each next character folds to the next code (a run of capitals) or 0
// when all fold to the same (a letter with its accented forms; 0 itself for accents, which the
// search passes over). A page's search folds with it exactly as the window's does.
const QByteArray& FoldTableScript();

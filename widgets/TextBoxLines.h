#pragma once

#include <QString>
#include <QStringList>

class QPlainTextEdit;

// A printed display line holds at most this many characters.
constexpr int kMaxTextLineLength = 80;

// The lines of a multi-line box as the box displays them at its own width: each paragraph
// broken where the box's word wrap breaks it, also while the box is hidden or on a tab that
// is not open. A box without text has one empty line.
int GetTextLineCount(QPlainTextEdit* box);
// Display line number line (from 0), without its line break, cut to 80 characters; empty
// for a line the box does not have.
QString GetTextLine(int line, QPlainTextEdit* box);
// The same line, whole.
QString GetWholeTextLine(int line, QPlainTextEdit* box);
// Every display line, whole, in one pass: GetWholeTextLine for each line number reads the
// paragraph again for each line, which a paragraph of a million characters cannot afford.
QStringList GetTextLines(QPlainTextEdit* box);

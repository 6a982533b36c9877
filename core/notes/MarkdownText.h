#pragma once

#include <QString>

// Stored texts in Markdown and back: what is written shows the text as typed once rendered, and
// reads back to the same text.

// A text on one line (a heading's, a table cell, a line of a paragraph): the characters Markdown
// would take as markup escaped, blanks at either end and line breaks as character references.
// lineStart: the text starts the line, where "# ", "- " or "1. " would open a block.
QString MarkdownInline(const QString& text, bool lineStart = false);

// A list item's text: its lines joined by hard line breaks, each further line indented by
// indent blanks so that it stays inside the item.
QString MarkdownItem(const QString& text, int indent);

// The text a line of Markdown shows: backslash escapes and character references resolved, code
// spans kept as they are written, other markup left in place.
QString MarkdownPlain(const QString& markdown);

// Whether a line of an item ends with a hard line break (an unescaped backslash, or two blanks);
// line is left without it and without trailing blanks.
bool TakeHardBreak(QString& line);

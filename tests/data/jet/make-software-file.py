#!/usr/bin/env python3
"""Makes SoftwareTable.mdb from DateTestDatabase.mdb by renaming, byte for byte, its table
DateTest to Software and the columns IDCol, ShortTextCol and LongTextCol to SoftwareID,
SoftwareTitle and Comments, and by giving the fourth row a long text of 600 lines in place of
its short one: kept on pages of its own appended to the file, linked one to the next, as Access
keeps a long text. No program on this platform writes Access files, so this is the one way to
an Access file with a table of Vantor's; everything else in it stays as Access wrote it.
Run from this folder: python3 make-software-file.py"""

PAGE = 4096
TABLE_PAGE = 18  # the table's definition page (Jet 4)
RENAMES = {"IDCol": "SoftwareID", "ShortTextCol": "SoftwareTitle", "LongTextCol": "Comments"}

data = bytearray(open("DateTestDatabase.mdb", "rb").read())

# The table's name, in the list of tables and wherever else Access keeps it (same length).
old, new = "DateTest".encode("utf-16-le"), "Software".encode("utf-16-le")
assert data.count(old) > 0
data = bytearray(data.replace(old, new))

# The column names follow the definition's fixed part: each a 16-bit length and UTF-16 text.
page = data[TABLE_PAGE * PAGE:(TABLE_PAGE + 1) * PAGE]
assert page[0] == 0x02
used = PAGE - int.from_bytes(page[2:4], "little")
columns = int.from_bytes(page[0x2D:0x2F], "little")
real_indexes = int.from_bytes(page[0x33:0x37], "little")
at = 0x3F + real_indexes * 12 + columns * 25
names, end = [], at
for _ in range(columns):
    length = int.from_bytes(page[end:end + 2], "little")
    names.append(page[end + 2:end + 2 + length].decode("utf-16-le"))
    end += 2 + length
renamed = b"".join(len(n.encode("utf-16-le")).to_bytes(2, "little") + n.encode("utf-16-le")
                   for n in (RENAMES.get(n, n) for n in names))
grown = len(renamed) - (end - at)
rest = page[end:used]
page[at:at + len(renamed) + len(rest)] = renamed + rest
page = page[:PAGE]
page[2:4] = (PAGE - used - grown).to_bytes(2, "little")
page[8:12] = (int.from_bytes(page[8:12], "little") + grown).to_bytes(4, "little")
data[TABLE_PAGE * PAGE:(TABLE_PAGE + 1) * PAGE] = page

# The fourth row's long text: its head in the row (length and flags, then the first piece's page
# and row) no longer says "in the row" but "on pages of its own", each piece a row of four bytes
# naming the next piece, then UTF-16 text.
LONG_TEXT = "".join(f"{i:04d}: Größe, Übersicht – ✓ long text\r\n" for i in range(1, 601))
head = (0x80000000 | 16).to_bytes(4, "little") + bytes(8)
at = data.find(head + b"\xff\xfePre-1000 years")
assert at > 0 and data.count(head + b"\xff\xfePre-1000 years") == 1
text = LONG_TEXT.encode("utf-16-le")
first = len(data) // PAGE
pieces = [text[i:i + PAGE - 64] for i in range(0, len(text), PAGE - 64)]
data[at:at + 8] = len(text).to_bytes(4, "little") + (first << 8).to_bytes(4, "little")
for n, piece in enumerate(pieces):
    row = ((first + n + 1) << 8 if n + 1 < len(pieces) else 0).to_bytes(4, "little") + piece
    page = bytearray(PAGE)
    page[0:2] = b"\x01\x01"
    page[4:8] = TABLE_PAGE.to_bytes(4, "little")
    page[0x0C:0x0E] = (1).to_bytes(2, "little")
    page[0x0E:0x10] = (PAGE - len(row)).to_bytes(2, "little")
    page[PAGE - len(row):] = row
    data += page

open("SoftwareTable.mdb", "wb").write(data)
print("columns:", [RENAMES.get(n, n) for n in names])

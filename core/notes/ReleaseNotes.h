#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <stdexcept>
#include <vector>

// A title's release history as it is published and brought in: its versions with their changes
// and needed files. Texts are QVariants so that a field left empty (NULL) stays apart from an
// empty text wherever the form can tell them apart.

struct NoteFile {
    QVariant file;
    QVariant version;
    QDate date; // invalid: none recorded
};

struct NoteVersion {
    QVariant release;
    QDate date; // invalid: none recorded
    QVariantList changes;
    std::vector<NoteFile> files;
};

struct ReleaseNotes {
    QString title;
    std::vector<NoteVersion> versions; // newest first
};

// A changelog read from a file, before it goes into a title.
struct Changelog {
    struct Version {
        NoteVersion notes;
        int line = 0; // of its heading
    };
    std::vector<Version> versions; // as the file lists them, newest first
    // Headings the file holds that are not versions to import ("[Unreleased]"), as
    // "Unreleased (line 7)".
    QStringList notImported;
};

// Why a file cannot be published or brought in, in words for the user.
class NotesError : public std::runtime_error {
public:
    explicit NotesError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text)
    {
    }
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// A changelog that cannot be read: the line and what was expected there.
class ChangelogError : public NotesError {
public:
    ChangelogError(int line, const QString& what)
        : NotesError(QStringLiteral("Line %1: %2").arg(line).arg(what)), m_line(line)
    {
    }
    int line() const { return m_line; }

private:
    int m_line;
};

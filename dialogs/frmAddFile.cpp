#include "dialogs/frmAddFile.h"

#include "core/data/RecordSource.h"
#include "core/text/TextFormat.h"
#include "widgets/AccessibleNames.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

namespace {
const QString kDateField = QStringLiteral("Date");
}

frmAddFile::frmAddFile(QWidget* parent, const DetailTarget& target)
    : DetailDialog(parent, target, Kind::File)
{
    QLineEdit* txtFile = bindField(
        makeField("Label2", QStringLiteral("Filename"), 180, 630, "txtFile", 900, 120, 3375),
        QStringLiteral("File"));
    QLineEdit* txtVersion = bindField(
        makeField("Label1", QStringLiteral("Version"), 180, 525, "txtVersion", 900, 480, 1335),
        QStringLiteral("Version"));
    dtpDate = makeDatePicker("dtpDate", 2940, 480, 1335);
    NameByLabel(makeLabel("Label3", QStringLiteral("Date"), 2520, 540, 345, 195), dtpDate);
    makeOkCancel(1800, 960, {txtFile, txtVersion, dtpDate});
    connect(dtpDate, &QDateEdit::dateChanged, this, [this] { m_datePicked = true; });
}

void frmAddFile::showRecord()
{
    showFields();
    const QVariant stored = set()->Field(kDateField);
    const QDate date = StoredDate(stored);
    if (date.isValid() && date >= dtpDate->minimumDate() && date <= dtpDate->maximumDate())
        dtpDate->setDate(date);
    else
        m_dateUnshown = true;
    m_unshownDate = stored;
    m_datePicked = false;
}

void frmAddFile::saveRecord()
{
    saveFields();
    // Editing only the name of a file whose date could not be shown keeps that date.
    const bool keepStored = editing() && m_dateUnshown && !m_datePicked;
    set()->setField(kDateField, keepStored ? m_unshownDate : QVariant(dtpDate->date()));
}

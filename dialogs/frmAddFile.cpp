#include "dialogs/frmAddFile.h"

#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "core/text/TextFormat.h"
#include "widgets/WindowHelpers.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

namespace {
const QString kFileField = QStringLiteral("File");
const QString kVersionField = QStringLiteral("Version");
const QString kDateField = QStringLiteral("Date");
} // namespace

frmAddFile::frmAddFile(QWidget* parent, const EditTarget& target, const QString& releaseId,
                       const QString& fileId, const ShowSave& show)
    : DetailDialog(parent, target, "frmAddFile", QStringLiteral("Add Needed File"), 4455, 1545,
                   {QStringLiteral("FileID"), Sql::FileCriterion,
                    QStringLiteral("The needed file is no longer in the database.")},
                   releaseId, fileId, show)
{
    txtFile = makeField("Label2", QStringLiteral("Filename"), 180, 630, "txtFile", 900, 120, 3375);
    txtVersion =
        makeField("Label1", QStringLiteral("Version"), 180, 525, "txtVersion", 900, 480, 1335);
    makeLabel("Label3", QStringLiteral("Date"), 2520, 540, 345, 195);
    dtpDate = makeDatePicker("dtpDate", 2940, 480, 1335);
    makeOkCancel(1800, 960, {txtFile, txtVersion, dtpDate});
    connect(dtpDate, &QDateEdit::dateChanged, this, [this] { m_datePicked = true; });
}

bool frmAddFile::Form_Load()
{
    CenterForm(this);
    if (!editing())
        return true;
    setWindowTitle(QStringLiteral("Edit Needed File"));
    return loadRow([this] {
        RecordSource* files = set();
        txtFile->setText(files->Field(kFileField).toString());
        txtVersion->setText(files->Field(kVersionField).toString());
        const QVariant stored = files->Field(kDateField);
        const QDate date = StoredDate(stored);
        if (date.isValid() && date >= dtpDate->minimumDate() && date <= dtpDate->maximumDate())
            dtpDate->setDate(date);
        else
            m_dateUnshown = true;
        m_unshownDate = stored;
        m_datePicked = false;
    });
}

void frmAddFile::cmdOK_Click()
{
    if (!filledIn({txtFile->text(), txtVersion->text()}))
        return;
    // Editing only the name of a file whose date could not be shown keeps that date.
    const QVariant date =
        editing() && m_dateUnshown && !m_datePicked ? m_unshownDate : QVariant(dtpDate->date());
    const bool saved = saveRow([&] {
        RecordSource* files = set();
        files->setField(kFileField, txtFile->text());
        files->setField(kVersionField, txtVersion->text());
        files->setField(kDateField, date);
    });
    if (saved)
        unload(true);
}

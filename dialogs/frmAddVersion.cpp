#include "dialogs/frmAddVersion.h"

#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "core/text/TextFormat.h"
#include "widgets/AccessibleNames.h"
#include "widgets/DbCommand.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

namespace {
const QString kDateField = QStringLiteral("ReleaseDate");
}

frmAddVersion::frmAddVersion(QWidget* parent, const EditTarget& target, const RecordSource* titles,
                             const QString& releaseId, const ShowSave& show)
    : EditDialog(parent, target, {"frmAddVersion", "Add Version", "Edit Version", 2775, 1545}),
      m_titles(titles), m_releaseId(releaseId), m_show(show)
{
    QLineEdit* txtVersion = bindField(
        makeField("Label2", QStringLiteral("Version"), 180, 525, "txtVersion", 1260, 120, 1335),
        QStringLiteral("ReleaseNumber"));
    dtpReleaseDate = makeDatePicker("dtpReleaseDate", 1260, 480, 1335);
    NameByLabel(makeLabel("Label1", QStringLiteral("Release Date"), 180, 540, 975, 195),
                dtpReleaseDate);
    makeOkCancel(120, 960, {txtVersion, dtpReleaseDate});
}

void frmAddVersion::findVersion() const
{
    const QString missing = QStringLiteral("The version is no longer in the database.");
    if (m_releaseId.isEmpty())
        throw DbError(missing);
    FindRow(set(), Sql::ReleaseCriterion(m_releaseId), missing);
}

bool frmAddVersion::loadRecord()
{
    return run([this] {
        findVersion();
        showFields();
        // A date the picker cannot hold leaves its starting date.
        const QDate date = StoredDate(set()->Field(kDateField));
        if (date.isValid())
            dtpReleaseDate->setDate(date);
    });
}

void frmAddVersion::cmdOK_Click()
{
    if (!fieldsFilledIn())
        return;
    RecordSource* versions = set();
    bool shown = false;
    const bool ok = run([&] {
        if (editing()) {
            findVersion();
        } else {
            const qint64 softwareId = CurrentSoftwareId(m_titles);
            versions->AddNew();
            versions->setField(QStringLiteral("SoftwareID"), softwareId);
        }
        versions->setField(kDateField, dtpReleaseDate->date());
        saveFields();
        versions->Update();

        shown = true;
        versions->Requery();
        m_show.saved();
    });
    if (!ok) {
        // Nothing was saved; a later move of the record source must not save it either.
        versions->CancelUpdate();
        if (shown)
            m_show.stored();
        return;
    }
    unload(true);
}

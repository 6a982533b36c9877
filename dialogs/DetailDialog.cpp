#include "dialogs/DetailDialog.h"

#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

namespace {
// What the change and needed-file dialogs differ in, besides their boxes.
struct KindFacts {
    DialogFace face;
    const char* keyField;
    QString (*criterion)(const QString& key, bool bracketed);
    const char* missingText; // when the edited row is gone
};

const KindFacts& factsOf(int kind)
{
    static const KindFacts facts[] = {
        {{"frmAddChanges", "Add Change/Reason", "Edit Change/Reason", 6450, 1185},
         "ChangeID",
         Sql::ChangeCriterion,
         "The change/reason is no longer in the database."},
        {{"frmAddFile", "Add Needed File", "Edit Needed File", 4455, 1545},
         "FileID",
         Sql::FileCriterion,
         "The needed file is no longer in the database."},
    };
    return facts[kind];
}
} // namespace

DetailDialog::DetailDialog(QWidget* parent, const DetailTarget& target, Kind kind)
    : EditDialog(parent, target.edit, factsOf(int(kind)).face), m_kind(kind), m_target(target)
{
}

void DetailDialog::findEditedRow() const
{
    const KindFacts& facts = factsOf(int(m_kind));
    FindRow(set(), facts.criterion(m_target.key, true), QLatin1String(facts.missingText));
}

bool DetailDialog::loadRecord()
{
    return run([this] {
        findEditedRow();
        showRecord();
    });
}

void DetailDialog::cmdOK_Click()
{
    if (!fieldsFilledIn())
        return;
    RecordSource* rows = set();
    const QString keyField = QLatin1String(factsOf(int(m_kind)).keyField);
    if (!editing() && !MsgRequire(!m_target.releaseId.isEmpty(), kNoVersionSelected))
        return;
    bool shown = false;
    const bool ok = run([&] {
        if (!editing()) {
            rows->AddNew();
            rows->setField(QStringLiteral("ReleaseID"), m_target.releaseId.toLongLong());
        } else if (!rows->hasCurrentRow() || rows->Field(keyField).toString() != m_target.key) {
            findEditedRow();
        }
        saveRecord();
        rows->Update();
        rows->Requery();
        m_target.show.saved();
        shown = true;
    });
    if (ok) {
        unload(true);
        return;
    }
    // Nothing of this attempt may be saved later by a move of the set.
    rows->CancelUpdate();
    // A save that failed at the very end leaves lines in the list that are not stored.
    if (shown)
        run(m_target.show.stored);
}
